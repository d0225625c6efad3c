<?php
declare(strict_types=1);

// The kit is uploaded as plain files without Composer: each class of namespace Vantrel\Kit lives
// in lib/ under its own name. The one namespace keeps the kit's names from clashing with classes
// that a host or another script of the site has loaded already.
spl_autoload_register(static function (string $class): void {
    if (preg_match('/^Vantrel\\\\Kit\\\\([A-Za-z][A-Za-z0-9]*)$/D', $class, $m) !== 1) {
        return;
    }
    $file = __DIR__ . '/' . $m[1] . '.php';
    if (is_file($file)) {
        require $file;
    }
});
