<?php
declare(strict_types=1);

// One database's figures for bench/site/products: seeds N products through the kit's own store,
// serves the kit with `php -S`, and times the list reply (action 3) end to end over HTTP, then one
// add (action 4) on the full store. The peak resident memory of the serving PHP process is read
// from /proc after the requests. Usage: php products.php LABEL N [ROUNDS]

require dirname(__DIR__, 2) . '/site/tests/bootstrap.php';

use Vantrel\Kit\ProductStore;

[, $label, $count] = $argv + [null, 'sqlite', '100000'];
$count = (int) $count;
$rounds = (int) ($argv[3] ?? 5);

$fixture = new KitFixture();
try {
    $db = $fixture->kit()->db();
    $store = new ProductStore($db);
    $started = hrtime(true);
    // Batches of a thousand per transaction: one transaction per product would time the disk's
    // flushes, one for all of them MariaDB's growing undo log.
    for ($i = 1; $i <= $count; ++$i) {
        if ($i % 1000 === 1) {
            $db->beginTransaction();
        }
        $store->add("Product {$i}", "folder{$i}", "thanks{$i}.html");
        if ($i % 1000 === 0 || $i === $count) {
            $db->commit();
        }
    }
    $seedSeconds = (hrtime(true) - $started) / 1e9;
    unset($store, $db);

    $fixture->serve();
    $times = [];
    for ($round = 0; $round <= $rounds; ++$round) {
        $started = hrtime(true);
        $reply = $fixture->action('3');
        $elapsed = (hrtime(true) - $started) / 1e6;
        if ($reply->status !== 200 || !str_ends_with($reply->body, '"^OK') || substr_count($reply->body, '^') !== $count) {
            throw new RuntimeException('unexpected list reply');
        }
        if ($round > 0) { // the first round warms the caches
            $times[] = $elapsed;
        }
    }
    sort($times);
    $listMs = $times[intdiv(count($times), 2)];

    $started = hrtime(true);
    $added = $fixture->action('4', ['prodname' => 'One more', 'prodfolder' => 'more', 'prodthankspage' => 'more.html']);
    $addMs = (hrtime(true) - $started) / 1e6;
    if ($added->body !== 'OK') {
        throw new RuntimeException('the add failed');
    }

    preg_match('/^VmHWM:\s+([0-9]+) kB/m', (string) file_get_contents('/proc/' . $fixture->serverPid() . '/status'), $m);
    $peakKib = (int) $m[1];

    printf("%s, %d products: seeded in %.1f s; list %.1f ms (%.1f MB, median of %d); add %.1f ms; php -S peak %d KiB\n",
           $label, $count, $seedSeconds, $listMs, strlen($reply->body) / 1e6, $rounds, $addMs, $peakKib);
    $key = $label . '_' . ($count >= 1000 ? intdiv($count, 1000) . 'k' : $count);
    printf("RESULT site_list_ms_%s %.6g\n", $key, $listMs);
    printf("RESULT site_add_ms_%s %.6g\n", $key, $addMs);
    printf("RESULT site_list_peak_kib_%s %d\n", $key, $peakKib);
} finally {
    $fixture->close();
}
