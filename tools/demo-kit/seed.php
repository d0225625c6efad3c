<?php
declare(strict_types=1);

// php tools/demo-kit/seed.php SITE_URL KIT_DIR
// Gives a new demo site its sample products: each added through actions.php the way the console
// adds one (a GET, then the form of action 4), with small sample archives in its folder under
// KIT_DIR (the kit's default archive root), and one thanks page of the seller's own. A product
// whose name exists already is left as it is. Exits 1 when the site refuses or cannot be reached.

namespace VantrelDemo;

require __DIR__ . '/StoredZip.php';

const SAMPLES = [
    ['Photo Pack Deluxe', 'photopack', 'thanks-photopack.html', ['photo-pack-deluxe.zip']],
    ['Guitar Lessons Vol 1', 'guitar1', 'thanks-guitar.html', ['guitar-lessons-1-video.zip', 'guitar-lessons-1-tabs.zip']],
    ['Budget Planner 2026', 'planner', 'thanks-planner.html', ['budget-planner-2026.zip']],
];

// The seller's own thanks page of one sample; the others show the kit's built-in page.
const THANKS_PAGE = ['thanks-photopack.html', "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
    . "<title>Thank you!</title></head>\n<body>\n<h1>Thank you for buying Photo Pack Deluxe</h1>\n"
    . "<p>Your photos are ready:</p>\n{DOWNLOAD_LINKS}\n<p>Questions? Reply to your receipt.</p>\n</body></html>\n"];

function post(string $url, array $fields): string|false
{
    $boundary = '--------' . bin2hex(random_bytes(8));
    $body = '';
    foreach ($fields as $name => $value) {
        $body .= "--$boundary\r\nContent-Disposition: form-data; name=\"$name\"\r\n\r\n$value\r\n";
    }
    $body .= "--$boundary--\r\n";
    return @file_get_contents($url, false, stream_context_create(['http' => [
        'method' => 'POST',
        'header' => "Content-Type: multipart/form-data; boundary=$boundary\r\n",
        'content' => $body,
        'timeout' => 30,
        'ignore_errors' => true,
    ]]));
}

function writeArchives(string $folder, string $product, array $archives): void
{
    if (!is_dir($folder) && !mkdir($folder, 0755, true)) {
        throw new \RuntimeException("cannot create $folder");
    }
    foreach ($archives as $archive) {
        $readme = "$product\r\n\r\nA sample archive of the Vantrel Oskel demo ($archive). "
            . "A real product folder holds what the buyer paid for.\r\n";
        if (!is_file("$folder/$archive")
            && file_put_contents("$folder/$archive", StoredZip::build(['README.txt' => $readme])) === false) {
            throw new \RuntimeException("cannot write $folder/$archive");
        }
    }
}

if ($argc !== 3) {
    fwrite(STDERR, "usage: php seed.php SITE_URL KIT_DIR\n");
    exit(2);
}
[, $site, $root] = $argv;
$actions = $site . '/actions.php';
[$thanksFile, $thanksHtml] = THANKS_PAGE;
if (!is_file("$root/$thanksFile")) {
    file_put_contents("$root/$thanksFile", $thanksHtml);
}
foreach (SAMPLES as [$name, $folder, $thanksPage, $archives]) {
    writeArchives("$root/$folder", $name, $archives);
    @file_get_contents($actions);
    $reply = post($actions, ['action' => '4', 'prodname' => $name, 'prodfolder' => $folder,
                             'prodthankspage' => $thanksPage, 'end' => '']);
    if ($reply !== 'OK' && $reply !== 'EXIST RECORD') {
        fwrite(STDERR, "seed: the site refused \"$name\": " . var_export(is_string($reply) ? substr($reply, 0, 200) : $reply, true) . "\n");
        exit(1);
    }
}
