<?php
declare(strict_types=1);

require __DIR__ . '/lib/autoload.php';

try {
    $kit = Kit::fromDir(__DIR__);
    (new ActionsEndpoint($kit))->handle($_SERVER['REQUEST_METHOD'] ?? 'GET', $_POST, Request::clientAddress());
} catch (Throwable $e) {
    // The details go to the server's log only; the console takes any failure as "BAD".
    error_log('actions.php: ' . $e);
    if (!headers_sent()) {
        http_response_code(500);
        header('Content-Type: text/plain');
        echo 'BAD';
    }
}
