<?php
declare(strict_types=1);

use PHPUnit\Framework\TestCase;
use Vantrel\Kit\SendWith;

require_once dirname(__DIR__, 2) . '/bench/site/HostingRound.php';
require_once dirname(__DIR__, 2) . '/bench/site/HostingRounds.php';
require_once dirname(__DIR__, 2) . '/bench/site/HandOverCheck.php';

/**
 * The parts of bench/site/hosting its figures rest on: every ratio against a static round under
 * the same settings, and no hand-over round measured before the server has proven the hand-over.
 */
final class HostingBenchTest extends TestCase
{
    /** @return array<string, array{list<bool>, list<string>}> */
    public static function connections(): array
    {
        return [
            'plain' => [[false], ['static', 'php', 'static', 'offload']],
            'and persistent' => [[false, true], ['static', 'php', 'static', 'offload',
                'static_persistent', 'php_persistent', 'static_persistent', 'offload_persistent']],
        ];
    }

    /** @dataProvider connections */
    public function testEveryTicketedRoundComesRightAfterAStaticOneUnderItsSettings(array $connections, array $names): void
    {
        $rounds = HostingRounds::plan(SendWith::XAccelRedirect, $connections, 3);
        $this->assertSame([...$names, ...$names, ...$names], array_map(static fn (HostingRound $round): string => $round->name(), $rounds));
        foreach (array_chunk($rounds, 2) as [$static, $ticketed]) {
            $this->assertTrue($static->isStatic() && !$ticketed->isStatic());
            $this->assertSame($ticketed->settings(), $static->settings(), $ticketed->name());
            $this->assertSame($ticketed->persistent, $ticketed->settings()['db_persistent']);
        }
        $this->assertSame(['send_with' => 'x-accel-redirect', 'db_persistent' => false], $rounds[3]->settings());
        $this->assertSame([0.625, 0.25, 1.0], HostingRounds::medianAndRange([1.0, 0.5, 0.25, 0.75]));
        $this->assertSame([0.5, 0.25, 1.0], HostingRounds::medianAndRange([1.0, 0.25, 0.5]));
    }

    /** @group http */
    public function testTheHandOverIsProvenOnlyWhereTheServerSendsTheCanary(): void
    {
        // apache-bare has mod_xsendfile loaded but not switched on: it passes the header on and
        // sends nothing, which the kit cannot tell from PHP.
        foreach (['apache' => true, 'nginx' => true, 'apache-bare' => false] as $kind => $sends) {
            $fixture = new KitFixture();
            $server = null;
            try {
                $db = $fixture->kit()->db();
                $server = RealServer::start($kind, $fixture->kitDir);
                $fixture->writeSettings(['send_with' => ($server->offload() ?? SendWith::XSendfile)->value]);
                $failure = null;
                try {
                    HandOverCheck::prove($server, $db);
                } catch (RuntimeException $e) {
                    $failure = $e->getMessage();
                }
                $proofs = (int) $db->query("SELECT COUNT(*) FROM kit_counters WHERE name LIKE 'handover-%'")->fetchColumn();
                $this->assertSame($sends ? [null, 1] : ['the hand-over cannot be proven: proof=start answered 200 with 0 bytes', 0],
                    [$failure === null ? null : strtok($failure, "\n"), $proofs], $kind);
            } finally {
                $server?->stop();
                $fixture->close();
            }
        }
    }
}
