<?php
declare(strict_types=1);

// For PHP's built-in server, run from the project root: php -S 127.0.0.1:PORT site/router.php
// The server's document root is then the whole project, so this router answers every path itself
// and never hands one back to the server: only the kit's public scripts run, and only the pictures
// and style sheets of this folder and of its assets/ are sent as files. A product folder's are the
// seller's own files, whatever the folder is called.

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
    // The kit's own folders exist only at its top level; a product folder may hold one called data.
    $sensitive = '#(^|/)\.|^(lib|data|tests|hosting)/|(^|/)(config|kit-settings|router)\.php$|\.(zip|sqlite|sqlite3|db|php)$#i';
    if (str_contains($name, "\0") || str_contains($name, '..') || preg_match($sensitive, $name) === 1) {
        return [403, null];
    }
    if (vantrel_kit_is_page_file($name)) {
        $file = realpath(__DIR__ . '/' . $name);
        // Nor may a link bring a product folder's picture into assets/.
        if ($file !== false && str_starts_with($file, __DIR__ . '/') && is_file($file)
            && vantrel_kit_is_page_file(substr($file, strlen(__DIR__) + 1))) {
            return [200, $name];
        }
    }
    return [404, null];
}

/** A picture or style sheet that a thanks page may use: in this folder or below its assets/. */
function vantrel_kit_is_page_file(string $name): bool
{
    $segment = '[A-Za-z0-9_-][A-Za-z0-9_.-]*';
    return preg_match("#^(assets/({$segment}/)*)?{$segment}\\.(?i:png|jpe?g|gif|webp|ico|css)$#", $name) === 1;
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
