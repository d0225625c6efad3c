<?php
declare(strict_types=1);

namespace Vantrel\Kit;

require __DIR__ . '/lib/autoload.php';

PublicScript::run('actions.php', __DIR__,
    static fn (Kit $kit) => (new ActionsEndpoint($kit))->handle($_SERVER['REQUEST_METHOD'] ?? 'GET', $_POST, $_SERVER),
    // The console takes any failure as "BAD".
    new PageReply(500, ActionsEndpoint::BAD, ['Content-Type' => 'text/plain']));
