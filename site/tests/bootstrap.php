<?php
declare(strict_types=1);

require dirname(__DIR__) . '/lib/autoload.php';
require __DIR__ . '/TestClock.php';
require __DIR__ . '/HttpReply.php';
require __DIR__ . '/ConsoleForm.php';
require __DIR__ . '/RealServer.php';
require __DIR__ . '/KitFixture.php';
