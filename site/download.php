<?php
declare(strict_types=1);

require __DIR__ . '/lib/autoload.php';

if (($_SERVER['REQUEST_METHOD'] ?? 'GET') !== 'GET') {
    // A HEAD or a POST would count a download that nobody receives.
    (new PageReply(405, '', ['Allow' => 'GET']))->send();
    exit;
}
DownloadDesk::forKit(Kit::fromDir(__DIR__))->answer($_GET, Request::clientAddress())->send();
