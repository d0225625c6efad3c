<?php
declare(strict_types=1);

require dirname(__DIR__) . '/lib/autoload.php';
require __DIR__ . '/TestClock.php';
require __DIR__ . '/HttpReply.php';
require __DIR__ . '/ConsoleForm.php';
require __DIR__ . '/RealServer.php';
require __DIR__ . '/KitFixture.php';
// The in-process suites meet refusals that the kit logs on purpose; the HTTP ones read the servers' logs.
ini_set('error_log', '/dev/null');
