<?php
declare(strict_types=1);

// One server's figures for bench/site/hosting: 100 buyers at once, half of them opening a thanks
// page, half downloading a 10 MB archive through download tickets, for SECONDS a round: the
// archive sent by PHP, or handed to the server (send_with) once the kit has proven that hand-over
// there, each ticketed round right after a round in which the same file is fetched statically
// from the same server, the yardstick its ratio is taken against. The pairs come REPEATS times in
// turn, so that a drift of the machine touches every kind of round alike, and the ratios are
// medians over the repetitions. With "persistent", the same pairs again with the kit's MariaDB
// connection persistent ('db_persistent'). The thanks pages come at the same fixed pace in every
// round, so that every round's downloads share the machine with the same other work.
// Prints "RESULT key value" lines, a key once per repetition, with the processor time each part
// of the machine took; stderr ends with the medians.
// Usage: php hosting.php apache|nginx SECONDS [persistent]   (VANTREL_TEST_DB=mysql ... for
//        MariaDB; VANTREL_BENCH_MARIADB_PID, the MariaDB server's process, for its processor time)

require dirname(__DIR__, 2) . '/site/tests/bootstrap.php';
require __DIR__ . '/HostingRound.php';
require __DIR__ . '/HostingRounds.php';
require __DIR__ . '/HandOverCheck.php';
// The test bootstrap sends PHP's errors nowhere; a failed run must say why.
ini_set('display_errors', 'stderr');

use Vantrel\Kit\ProductStore;
use Vantrel\Kit\SendWith;
use Vantrel\Kit\ThanksKey;
use Vantrel\Kit\TicketLimits;
use Vantrel\Kit\TicketStore;

const BUYERS = 100;
const ARCHIVE_BYTES = 10 * 1024 * 1024;
const TICKETS = 500;
// A PHP worker for every buyer: none waits for a free one, and the warm-up reaches each.
const WORKERS = BUYERS;
// Each of the 50 buyers of thanks pages opens one every half second. Unpaced, they would take
// whatever processor time the downloads leave, which differs from round to round (in the static
// round PHP has nothing else to do), and the rounds' downloads would not compete with the same
// load. The pace is well within what every round sustains.
const THANKS_PER_SECOND = 100;
// /proc/PID/stat counts processor time in USER_HZ ticks, 100 a second on Linux.
const TICKS_PER_SECOND = 100;
// Three give a median that one disturbed round cannot move.
const REPEATS = 3;

[, $kind, $seconds, $persistent] = $argv + [null, 'nginx', '20', ''];
$seconds = max(1, (int) $seconds);
$serverKind = ['apache' => 'apache', 'nginx' => 'nginx'][$kind] ?? throw new InvalidArgumentException('apache or nginx');
$connections = $persistent === 'persistent' ? [false, true]
    : ($persistent === '' ? [false] : throw new InvalidArgumentException('the third argument is "persistent" or nothing'));

$fixture = new KitFixture(['sSecretKey' => 'bench-secret-key']);
$server = null;
try {
    $kitDir = $fixture->kitDir;
    $archive = random_bytes(ARCHIVE_BYTES);
    mkdir($kitDir . '/bench');
    file_put_contents($kitDir . '/bench/bench.zip', $archive);
    mkdir(dirname($kitDir) . '/static');
    link($kitDir . '/bench/bench.zip', dirname($kitDir) . '/static/bench.zip');

    $kit = $fixture->kit();
    $store = new ProductStore($kit->db());
    $code = $store->find($store->add('Bench', 'bench', 'none.html'))['code'];
    $key = ThanksKey::compute('bench-secret-key', $code);
    $tickets = new TicketStore($kit->db());
    $server = RealServer::start($serverKind, $kitDir, ['workers' => WORKERS, 'opcache' => true]);
    $base = $server->urlPath;
    $downloads = [];
    $limits = TicketLimits::fromConfig($kit->config);
    for ($i = 0; $i < TICKETS; ++$i) {
        // One buyer each: a buyer has only a few live tickets of a product.
        $buyer = '10.0.' . intdiv($i, 256) . '.' . ($i % 256);
        $token = $tickets->issue($code, $key, $buyer, $limits, time())->token
            ?? throw new RuntimeException("no ticket for {$buyer}: the kit's limits are not the bench's");
        $downloads[] = $base . '/download.php?t=' . $token . '&f=bench.zip';
    }
    $work = dirname($kitDir);
    file_put_contents($work . '/thanks.txt', $base . '/thanks.php?id=' . $code . '&sk=' . $key . "\n");
    file_put_contents($work . '/tickets.txt', implode("\n", $downloads) . "\n");
    file_put_contents($work . '/static.txt', "/static/bench.zip\n");

    // Every worker sends an archive once before anything is measured: a PHP worker keeps the
    // memory of its first download for the next, which is no growth of the server's.
    load($server, [new Buyers($work . '/tickets.txt', BUYERS, downloadThreads())], 5);
    // Until proven, the kit would send the "handed over" archives through PHP itself, and the
    // hand-over's rounds would measure PHP again.
    $fixture->writeSettings(['send_with' => $server->offload()->value]);
    HandOverCheck::prove($server, $kit->db());
    fprintf(STDERR, "%s: send_with '%s' proven\n", $kind, $server->offload()->value);

    $mariadbPid = (int) getenv('VANTREL_BENCH_MARIADB_PID');
    $thanksBuyers = new Buyers($work . '/thanks.txt', BUYERS - intdiv(BUYERS, 2), 1, THANKS_PER_SECOND);
    // The thanks pages alone first: what every round spends besides its downloads. They connect
    // to MariaDB too, so a persistent connection changes their share.
    $background = [];
    foreach ($connections as $isPersistent) {
        $fixture->writeSettings(['db_persistent' => $isPersistent]);
        load($server, [$thanksBuyers], 3);
        [, $background[(int) $isPersistent]] = measured($server, [$thanksBuyers], min($seconds, 5), $mariadbPid);
        foreach ($background[(int) $isPersistent] as $part => $cores) {
            printf("RESULT site_hosting_%s_thanks_only%s_cores_%s %.2f\n", $kind, $isPersistent ? '_persistent' : '', $part, $cores);
        }
    }

    $errors = 0;
    $growth = 0.0;
    $ratios = [];
    $staticRate = 0.0;
    foreach (HostingRounds::plan($server->offload(), $connections, REPEATS) as $round) {
        // The static round before a ticketed one already runs under its settings: the thanks pages
        // then do the same work in both, and only the downloads differ.
        $fixture->writeSettings($round->settings());
        $targets = $work . '/' . ($round->isStatic() ? 'static.txt' : 'tickets.txt');
        $halves = [$thanksBuyers, new Buyers($targets, intdiv(BUYERS, 2), downloadThreads())];
        // Long enough for PHP's opcache to see the new settings, and every worker warm.
        load($server, $halves, 3);
        $before = pssKib($server);
        [[$thanks, $download], $cores] = measured($server, $halves, $seconds, $mariadbPid);
        $after = pssKib($server);
        // wrk counts a refused download among its requests too; those are the round's errors.
        if ($download['bytes'] < max(0, $download['requests'] - $download['errors']) * ARCHIVE_BYTES) {
            throw new RuntimeException("{$kind} {$round->name()}: the downloads came back short ({$download['errors']} errors)\n"
                . $server->logs());
        }
        $prefix = "site_hosting_{$kind}_{$round->name()}";
        foreach (['thanks' => $thanks, 'download' => $download] as $what => $figures) {
            printf("RESULT %s_%s_rps %.1f\n", $prefix, $what, $figures['requests'] / $figures['seconds']);
            printf("RESULT %s_%s_p50_ms %.2f\n", $prefix, $what, $figures['p50_ms']);
            printf("RESULT %s_%s_p99_ms %.2f\n", $prefix, $what, $figures['p99_ms']);
            printf("RESULT %s_%s_errors %d\n", $prefix, $what, $figures['errors']);
        }
        $downloadsPerSecond = $download['requests'] / $download['seconds'];
        printf("RESULT %s_download_mib_s %.1f\n", $prefix, $download['bytes'] / $download['seconds'] / 1048576);
        // What a download costs: the round's processor time beyond the thanks pages', per download.
        foreach ($cores as $part => $used) {
            printf("RESULT %s_cores_%s %.2f\n", $prefix, $part, $used);
            if ($downloadsPerSecond > 0) {
                printf("RESULT %s_ms_per_download_%s %.2f\n", $prefix, $part,
                    1000 * ($used - $background[(int) $round->persistent][$part]) / $downloadsPerSecond);
            }
        }
        $rate = $download['bytes'] / $download['seconds'];
        if ($round->isStatic()) {
            $staticRate = $rate;
        } elseif ($staticRate > 0) {
            $ratios[$round->name()][] = $rate / $staticRate;
            printf("RESULT site_hosting_%s_%s_ratio %.3f\n", $kind, $round->name(), $rate / $staticRate);
            $staticRate = 0.0;
        }
        $errors += $thanks['errors'] + $download['errors'];
        $growth = max($growth, ($after - $before) / 1024);
        printf("RESULT %s_pss_before_mib %.1f\n", $prefix, $before / 1024);
        printf("RESULT %s_pss_after_mib %.1f\n", $prefix, $after / 1024);
        fprintf(STDERR, "%s, %s: %.0f downloads/s, %.0f thanks pages/s, errors %d + %d, server %.0f -> %.0f MiB\n",
            $kind, $round->label(), $downloadsPerSecond, $thanks['requests'] / $thanks['seconds'],
            $download['errors'], $thanks['errors'], $before / 1024, $after / 1024);
        if ($thanks['requests'] / $thanks['seconds'] < 0.95 * THANKS_PER_SECOND) {
            fprintf(STDERR, "%s, %s: the thanks pages fell behind their pace; this round carried less load than the others\n",
                $kind, $round->label());
        }
    }
    foreach ($ratios as $name => $values) {
        [$median, $low, $high] = HostingRounds::medianAndRange($values);
        fprintf(STDERR, "%s, %s / static: %.2f (%.2f-%.2f over %d pairs)\n", $kind, $name, $median, $low, $high, count($values));
    }
    printf("RESULT site_hosting_%s_errors %d\n", $kind, $errors);
    printf("RESULT site_hosting_%s_pss_growth_mib %.1f\n", $kind, $growth);
} finally {
    $server?->stop();
    $fixture->close();
}

/** One group of buyers: wrk's connections on the targets of a file, at their own pace or at a fixed rate. */
final class Buyers
{
    public function __construct(
        public readonly string $targetsFile,
        public readonly int $connections,
        public readonly int $threads,
        public readonly ?int $requestsPerSecond = null,
    ) {
    }

    /** @return list<string> */
    public function wrkCommand(string $url, int $seconds): array
    {
        $rate = $this->requestsPerSecond === null ? [] : [(string) intdiv($this->requestsPerSecond, $this->threads)];
        return ['wrk', '-t' . $this->threads, '-c' . $this->connections, '-d' . $seconds . 's', '--timeout', '30s',
                '-s', __DIR__ . '/buyers.lua', $url, '--', $this->targetsFile, ...$rate];
    }
}

/**
 * Groups of buyers at once for $seconds.
 * @param list<Buyers> $groups
 * @return list<array<string, float>> the figures of each group
 */
function load(RealServer $server, array $groups, int $seconds): array
{
    $runs = [];
    $outputs = [];
    foreach ($groups as $group) {
        $runs[] = proc_open($group->wrkCommand('http://127.0.0.1:' . $server->port . '/', $seconds),
            [1 => ['pipe', 'w'], 2 => ['pipe', 'w']], $pipes);
        $outputs[] = $pipes;
    }
    $figures = [];
    foreach ($runs as $i => $run) {
        $text = stream_get_contents($outputs[$i][1]) . stream_get_contents($outputs[$i][2]);
        if (proc_close($run) !== 0 || preg_match_all('/^WRK (\w+) ([0-9.]+)$/m', $text, $m) < 6) {
            throw new RuntimeException("wrk failed:\n" . $text . $server->logs());
        }
        $figures[] = array_map('floatval', array_combine($m[1], $m[2]));
    }
    return $figures;
}

/**
 * Groups of buyers at once for $seconds, with the processor time each part of the machine took.
 * @param list<Buyers> $groups
 * @return array{list<array<string, float>>, array<string, float>} the figures of each group, and
 *         cores in use over the load by part: the web server with PHP, MariaDB (when its process
 *         is known), the wrk processes, the whole machine
 */
function measured(RealServer $server, array $groups, int $seconds, int $mariadbPid): array
{
    $parts = static fn (): array => array_filter([
        'server' => processorSeconds($server->pids()),
        'mariadb' => $mariadbPid > 0 ? processorSeconds([$mariadbPid]) : null,
        'client' => clientSeconds(),
        'machine' => machineBusySeconds(),
    ], static fn (?float $spent): bool => $spent !== null);
    $start = [microtime(true), $parts()];
    $figures = load($server, $groups, $seconds);
    $wall = microtime(true) - $start[0];
    $cores = [];
    foreach ($parts() as $part => $spent) {
        $cores[$part] = ($spent - $start[1][$part]) / $wall;
    }
    return [$figures, $cores];
}

/**
 * wrk threads for the downloads: one for each processor. A single thread, reading 10 MB replies
 * in wrk's 8 KiB pieces, fills one processor by itself and would measure wrk, not the server.
 */
function downloadThreads(): int
{
    return max(1, (int) shell_exec('nproc'));
}

/** Proportional resident memory of the server's processes, shared pages split among them. */
function pssKib(RealServer $server): int
{
    $total = 0;
    foreach ($server->pids() as $pid) {
        if (preg_match('/^Pss:\s+([0-9]+) kB/m', (string) @file_get_contents("/proc/{$pid}/smaps_rollup"), $m) === 1) {
            $total += (int) $m[1];
        }
    }
    return $total;
}

/** @param list<int> $pids processes that outlive the measurement */
function processorSeconds(array $pids): float
{
    $ticks = 0;
    foreach ($pids as $pid) {
        $stat = (string) @file_get_contents("/proc/{$pid}/stat");
        // The fields after the command name, which may itself hold spaces and parentheses.
        $fields = explode(' ', substr($stat, (int) strrpos($stat, ')') + 2));
        $ticks += (int) ($fields[11] ?? 0) + (int) ($fields[12] ?? 0);
    }
    return $ticks / TICKS_PER_SECOND;
}

/** Processor time of this script's ended children: the wrk processes. */
function clientSeconds(): float
{
    $usage = getrusage(1);
    return $usage['ru_utime.tv_sec'] + $usage['ru_utime.tv_usec'] / 1e6 + $usage['ru_stime.tv_sec'] + $usage['ru_stime.tv_usec'] / 1e6;
}

/** Processor time the whole machine spent on anything but idling, from /proc/stat. */
function machineBusySeconds(): float
{
    $times = array_map('intval', array_slice(preg_split('/\s+/', trim((string) strtok((string) file_get_contents('/proc/stat'), "\n"))), 1));
    // user nice system idle iowait irq softirq steal: idle and iowait are the idle times.
    return (array_sum(array_slice($times, 0, 8)) - $times[3] - $times[4]) / TICKS_PER_SECOND;
}
