<?php
declare(strict_types=1);

// For PHP's built-in server, run from the project root: php -S 127.0.0.1:PORT site/router.php
// The server's document root is then the whole project, so this router answers every path itself
// and never hands one back to the server: only the kit's public scripts run, and only harmless
// pictures and style sheets of this folder are sent as files.

/** @return array{int, ?string} status and the file to run or send */
function vantrel_kit_route(string $uri): array
{
    $query = strpos($uri, '?');
    $path = rawurldecode($query === false ? $uri : substr($uri, 0, $query));
    // A site URL ending in "/" makes the console ask for "//actions.php".
    $name = ltrim($path, '/');
    if (in_array($name, ['actions.php', 'thanks.php', 'download.php'], true)) {
        return is_file(__DIR__ . '/' . $name) ? [200, $name] : [404, null];
    }
    $sensitive = '#(^|/)(\.|lib/|data/|tests/|hosting/)|(^|/)(config|kit-settings|router)\.php$|\.(zip|sqlite|sqlite3|db|php)$#i';
    if (str_contains($name, "\0") || str_contains($name, '..') || preg_match($sensitive, $name) === 1) {
        return [403, null];
    }
    if (preg_match('#^[A-Za-z0-9_-][A-Za-z0-9_./-]*\.(png|jpe?g|gif|webp|ico|css)$#i', $name) === 1) {
        $file = realpath(__DIR__ . '/' . $name);
        if ($file !== false && str_starts_with($file, __DIR__ . '/') && is_file($file)) {
            return [200, $name];
        }
    }
    return [404, null];
}

[$vantrelStatus, $vantrelTarget] = vantrel_kit_route((string) ($_SERVER['REQUEST_URI'] ?? '/'));
if ($vantrelTarget !== null && str_ends_with($vantrelTarget, '.php')) {
    require __DIR__ . '/' . $vantrelTarget;
} elseif ($vantrelTarget !== null) {
    $types = ['png' => 'image/png', 'jpg' => 'image/jpeg', 'jpeg' => 'image/jpeg', 'gif' => 'image/gif',
              'webp' => 'image/webp', 'ico' => 'image/x-icon', 'css' => 'text/css'];
    header('Content-Type: ' . $types[strtolower(pathinfo($vantrelTarget, PATHINFO_EXTENSION))]);
    header('Content-Length: ' . filesize(__DIR__ . '/' . $vantrelTarget));
    readfile(__DIR__ . '/' . $vantrelTarget);
} else {
    http_response_code($vantrelStatus);
    header('Content-Type: text/plain');
    echo $vantrelStatus === 403 ? 'Forbidden' : 'Not Found';
}
