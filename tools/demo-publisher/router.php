<?php
declare(strict_types=1);

// The publisher's stand-in for the demo: member news of the tier "Master" (publisher id "demo")
// under news/ and the update description under liveupdate/vantrel_oskel/, served by
//   php -S 127.0.0.1:PORT tools/demo-publisher/router.php
// from the project root. Every path is answered here, never by the built-in server itself, so
// the project's files are not served.

namespace VantrelDemo;

require __DIR__ . '/NewsScripts.php';
require __DIR__ . '/UpdateDescription.php';

ini_set('default_charset', ''); // replies are Windows-1252 bytes; no charset is claimed
header_remove('X-Powered-By');

function reply(int $status, string $contentType, string $body): void
{
    http_response_code($status);
    header('Content-Type: ' . $contentType);
    header('Content-Length: ' . strlen($body));
    echo $body;
}

$target = (string) ($_SERVER['REQUEST_URI'] ?? '/');
$query = strpos($target, '?');
// A base URL that ends in "/" makes the console post to "//news/...".
$path = ltrim($query === false ? $target : substr($target, 0, $query), '/');
$method = (string) ($_SERVER['REQUEST_METHOD'] ?? 'GET');
$news = new NewsScripts('demo', 'BM');

if ($method === 'POST' && $path === 'news/getlastnews.php') {
    reply(200, 'text/plain', $news->lastNews($_POST));
} elseif ($method === 'POST' && $path === 'news/getnewsdetails.php') {
    reply(200, 'text/plain', $news->newsDetails($_POST));
} elseif ($method === 'GET' && $path === 'liveupdate/vantrel_oskel/mainappupdate.inf') {
    $version = UpdateDescription::offeredVersion(getenv('VANTREL_DEMO_UPDATE_VERSION'));
    reply(200, 'text/plain', UpdateDescription::text($version));
} elseif ($method === 'GET' && $path === '') {
    // The publisher's home page, where the demo's Help and Make Money links lead.
    reply(200, 'text/html', '<!DOCTYPE html><html><head><title>Vantrel Oskel publisher (demo)</title></head>'
        . '<body><h1>Vantrel Oskel publisher (demo)</h1><p>A stand-in for the publisher of the console, '
        . 'running on this computer: it posts the member news of the tier Master and the update '
        . 'description that the console checks at start.</p></body></html>');
} else {
    reply(404, 'text/plain', 'Not found');
}
