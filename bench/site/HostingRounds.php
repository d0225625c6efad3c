<?php
declare(strict_types=1);

use Vantrel\Kit\SendWith;

/** The order of bench/site/hosting's rounds, and the medians over their repetitions. */
final class HostingRounds
{
    /**
     * Every ticketed round right after a static one under the same settings, the pairs in turn,
     * all of them $repeats times: static, php, static, offload, (static, php, static, offload with
     * a persistent connection,) static, php, ...
     * @param list<bool> $connections whether the kit's connection is persistent, for each set of pairs
     * @return list<HostingRound>
     */
    public static function plan(SendWith $offload, array $connections, int $repeats): array
    {
        $rounds = [];
        for ($i = 0; $i < $repeats; ++$i) {
            foreach ($connections as $persistent) {
                foreach ([SendWith::Php, $offload] as $sendWith) {
                    $rounds[] = new HostingRound(null, $persistent, $sendWith);
                    $rounds[] = new HostingRound($sendWith, $persistent, $sendWith);
                }
            }
        }
        return $rounds;
    }

    /**
     * @param non-empty-list<float> $values
     * @return array{float, float, float} the median, the least and the largest
     */
    public static function medianAndRange(array $values): array
    {
        sort($values);
        $n = count($values);
        $median = $n % 2 === 1 ? $values[intdiv($n, 2)] : ($values[$n / 2 - 1] + $values[$n / 2]) / 2;
        return [$median, $values[0], $values[$n - 1]];
    }
}
