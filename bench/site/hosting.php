<?php
declare(strict_types=1);

// One server's figures for bench/site/hosting: 100 buyers at once, half of them opening a thanks
// page, half downloading a 10 MB archive through download tickets, for SECONDS each in three
// rounds: the archive sent by PHP, handed to the server (send_with), and, for the yardstick, the
// same file fetched statically from the same server. Prints "RESULT key value" lines.
// Usage: php hosting.php apache|nginx SECONDS   (VANTREL_TEST_DB=mysql ... for MariaDB)

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
    load($server, [[$work . '/tickets.txt', BUYERS]], 5);
    $offload = $server->offload();
    $downloadRates = [];
    $errors = 0;
    $growth = 0.0;
    foreach (['static' => SendWith::Php, 'php' => SendWith::Php, 'offload' => $offload] as $round => $sendWith) {
        $fixture->writeSettings(['send_with' => $sendWith->value]);
        $targets = $work . '/' . ($round === 'static' ? 'static.txt' : 'tickets.txt');
        // Long enough for PHP's opcache to see the new settings, and every worker warm.
        $halves = [[$work . '/thanks.txt', intdiv(BUYERS, 2)], [$targets, intdiv(BUYERS, 2)]];
        load($server, $halves, 3);
        $before = pssKib($server);
        [$thanks, $download] = load($server, $halves, $seconds);
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
        printf("RESULT %s_download_mib_s %.1f\n", $prefix, $download['bytes'] / $download['seconds'] / 1048576);
        $downloadRates[$round] = $download['bytes'] / $download['seconds'];
        $errors += $thanks['errors'] + $download['errors'];
        $growth = max($growth, ($after - $before) / 1024);
        printf("RESULT %s_pss_before_mib %.1f\n", $prefix, $before / 1024);
        printf("RESULT %s_pss_after_mib %.1f\n", $prefix, $after / 1024);
        fprintf(STDERR, "%s, %s: %.0f downloads/s, %.0f thanks pages/s, errors %d + %d, server %.0f -> %.0f MiB\n",
            $kind, $round === 'static' ? 'static file' : $sendWith->value, $download['requests'] / $download['seconds'],
            $thanks['requests'] / $thanks['seconds'], $download['errors'], $thanks['errors'], $before / 1024, $after / 1024);
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

/**
 * Groups of buyers at once for $seconds, each group on the targets of its file.
 * @param list<array{string, int}> $groups the targets file and the number of buyers of each group
 * @return list<array<string, float>> the figures of each group
 */
function load(RealServer $server, array $groups, int $seconds): array
{
    $runs = [];
    $outputs = [];
    foreach ($groups as [$targets, $buyers]) {
        $command = ['wrk', '-t1', '-c' . $buyers, '-d' . $seconds . 's', '--timeout', '30s',
                    '-s', __DIR__ . '/buyers.lua', 'http://127.0.0.1:' . $server->port . '/', '--', $targets];
        $runs[] = proc_open($command, [1 => ['pipe', 'w'], 2 => ['pipe', 'w']], $pipes);
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
