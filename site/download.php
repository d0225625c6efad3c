<?php
declare(strict_types=1);

namespace Vantrel\Kit;

require __DIR__ . '/lib/autoload.php';

// check-site.php asks which canaries are in place: no ticket, nothing about the products.
if (CanaryReport::isAsked($_GET)) {
    PublicScript::run('download.php', __DIR__, static fn (Kit $kit) => (new CanaryReport($kit->settings))->reply()->send(),
        PublicScript::pageFailure());
    return;
}

PublicScript::run('download.php', __DIR__,
    static fn (Kit $kit) => (($_SERVER['REQUEST_METHOD'] ?? 'GET') === 'GET'
        ? DownloadDesk::forKit($kit)->answer($_GET, Request::clientAddress())
        // A HEAD or a POST would count a download that nobody receives.
        : new PageReply(405, '', ['Allow' => 'GET']))->send(),
    PublicScript::pageFailure());
