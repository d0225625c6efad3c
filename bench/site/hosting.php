<?php
declare(strict_types=1);

// One server's figures for bench/site/hosting: 100 buyers at once, half of them opening a thanks
// page, half downloading a 10 MB archive through download tickets, for SECONDS each in three
// rounds: the archive sent by PHP, handed to the server (send_with), and, for the yardstick, the
// same file fetched statically from the same server. The thanks pages come at the same fixed pace
// in every round, so that every round's downloads share the machine with the same other work.
// Prints "RESULT key value" lines, with the processor time each part of the machine took.
// Usage: php hosting.php apache|nginx SECONDS   (VANTREL_TEST_DB=mysql ... for MariaDB;
//        VANTREL_BENCH_MARIADB_PID, the MariaDB server's process, for its processor time)

require dirname(__DIR__, 2) . '/site/tests/bootstrap.php';

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

[, $kind, $seconds] = $argv + [null, 'nginx', '20'];
$seconds = max(1, (int) $seconds);
$serverKind = ['apache' => 'apache', 'nginx' => 'nginx'][$kind] ?? throw new InvalidArgumentException('apache or nginx');

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
    $kept = TicketLimits::fromConfig($kit->config)->keptSeconds();
    for ($i = 0; $i < TICKETS; ++$i) {
        // One buyer each: a buyer has only a few live tickets of a product.
        $buyer = '10.0.' . intdiv($i, 256) . '.' . ($i % 256);
        $downloads[] = $base . '/download.php?t=' . $tickets->issue($code, $key, $buyer, $kept, time()) . '&f=bench.zip';
    }
    $work = dirname($kitDir);
    file_put_contents($work . '/thanks.txt', $base . '/thanks.php?id=' . $code . '&sk=' . $key . "\n");
    file_put_contents($work . '/tickets.txt', implode("\n", $downloads) . "\n");
    file_put_contents($work . '/static.txt', "/static/bench.zip\n");

    // Every worker sends an archive once before anything is measured: a PHP worker keeps the
    // memory of its first download for the next, which is no growth of the server's.
    load($server, [new Buyers($work . '/tickets.txt', BUYERS, downloadThreads())], 5);
    $mariadbPid = (int) getenv('VANTREL_BENCH_MARIADB_PID');
    $thanksBuyers = new Buyers($work . '/thanks.txt', BUYERS - intdiv(BUYERS, 2), 1, THANKS_PER_SECOND);
    // The thanks pages alone first: what every round spends besides its downloads.
    [, $background] = measured($server, [$thanksBuyers], min($seconds, 5), $mariadbPid);
    foreach ($background as $part => $cores) {
        printf("RESULT site_hosting_%s_thanks_only_cores_%s %.2f\n", $kind, $part, $cores);
    }
    $downloadRates = [];
    $errors = 0;
    $growth = 0.0;
    foreach (['static' => SendWith::Php, 'php' => SendWith::Php, 'offload' => $server->offload()] as $round => $sendWith) {
        $fixture->writeSettings(['send_with' => $sendWith->value]);
        $targets = $work . '/' . ($round === 'static' ? 'static.txt' : 'tickets.txt');
        $halves = [$thanksBuyers, new Buyers($targets, intdiv(BUYERS, 2), downloadThreads())];
        // Long enough for PHP's opcache to see the new settings, and every worker warm.
        load($server, $halves, 3);
        $before = pssKib($server);
        [[$thanks, $download], $cores] = measured($server, $halves, $seconds, $mariadbPid);
        $after = pssKib($server);
        if ($download['requests'] > 0 && $download['bytes'] < $download['requests'] * ARCHIVE_BYTES) {
            throw new RuntimeException("{$kind} {$round}: the downloads came back short");
        }
        $prefix = "site_hosting_{$kind}_{$round}";
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
                printf("RESULT %s_ms_per_download_%s %.2f\n", $prefix, $part, 1000 * ($used - $background[$part]) / $downloadsPerSecond);
            }
        }
        $downloadRates[$round] = $download['bytes'] / $download['seconds'];
        $errors += $thanks['errors'] + $download['errors'];
        $growth = max($growth, ($after - $before) / 1024);
        printf("RESULT %s_pss_before_mib %.1f\n", $prefix, $before / 1024);
        printf("RESULT %s_pss_after_mib %.1f\n", $prefix, $after / 1024);
        fprintf(STDERR, "%s, %s: %.0f downloads/s, %.0f thanks pages/s, errors %d + %d, server %.0f -> %.0f MiB\n",
            $kind, $round === 'static' ? 'static file' : $sendWith->value, $downloadsPerSecond,
            $thanks['requests'] / $thanks['seconds'], $download['errors'], $thanks['errors'], $before / 1024, $after / 1024);
        if ($thanks['requests'] / $thanks['seconds'] < 0.95 * THANKS_PER_SECOND) {
            fprintf(STDERR, "%s, %s: the thanks pages fell behind their pace; this round carried less load than the others\n",
                $kind, $round);
        }
    }
    foreach (['php', 'offload'] as $round) {
        printf("RESULT site_hosting_%s_%s_ratio %.3f\n", $kind, $round, $downloadRates[$round] / $downloadRates['static']);
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
