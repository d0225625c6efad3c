<?php
declare(strict_types=1);

namespace Vantrel\Kit;

require __DIR__ . '/lib/autoload.php';

PublicScript::run('thanks.php', __DIR__,
    static fn (Kit $kit) => ThanksDesk::forKit($kit)->answer($_GET, Request::clientAddress())->send(),
    PublicScript::pageFailure());
