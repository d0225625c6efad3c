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
    static function (Kit $kit): void {
        $method = $_SERVER['REQUEST_METHOD'] ?? 'GET';
        if ($method !== 'GET' && $method !== 'HEAD') {
            // A POST would count a download that no browser keeps.
            (new PageReply(405, '', ['Allow' => 'GET, HEAD']))->send();
            return;
        }
        $proof = $_GET['proof'] ?? null;
        (is_string($proof)
            ? ProofDesk::forKit($kit)->answer($proof)
            : DownloadDesk::forKit($kit)->answer($_GET, Request::clientAddress(), DownloadRequest::fromServer($_SERVER)))->send();
    },
    PublicScript::pageFailure());
