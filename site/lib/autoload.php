<?php
declare(strict_types=1);

// The kit is uploaded as plain files without Composer: each class lives in lib/ under its own name.
spl_autoload_register(static function (string $class): void {
    if (preg_match('/^[A-Za-z][A-Za-z0-9]*$/', $class) !== 1) {
        return;
    }
    $file = __DIR__ . '/' . $class . '.php';
    if (is_file($file)) {
        require $file;
    }
});
