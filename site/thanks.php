<?php
declare(strict_types=1);

require __DIR__ . '/lib/autoload.php';

PublicScript::run('thanks.php', static fn (): PageReply
    => ThanksDesk::forKit(Kit::fromDir(__DIR__))->answer($_GET, Request::clientAddress()));
