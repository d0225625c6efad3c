<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * Resolves names that come from the database or from a request into real paths below a base
 * folder. Both a textual check and realpath are needed: the text check refuses what never has a
 * place in a seller's value ("..", absolute paths, NUL, Windows drive letters, backslashes that
 * some hosts treat as separators), and realpath with a prefix test catches links that lead out.
 */
final class SafePath
{
    /** True when $relative is a plain relative path made of ordinary, non-hidden segments. */
    public static function isPlainRelative(string $relative): bool
    {
        if ($relative === '' || strlen($relative) > 1024
            || strpbrk($relative, "\0\\:") !== false || $relative[0] === '/') {
            return false;
        }
        foreach (explode('/', $relative) as $segment) {
            // Empty segments ("a//b", a trailing "/") are harmless; hidden ones hold .htaccess,
            // .git and the like, and ".." climbs out.
            if ($segment !== '' && ($segment[0] === '.')) {
                return false;
            }
        }
        return true;
    }

    /**
     * The real path of $relative below the real folder $base, or null when it does not exist or
     * resolves to $base itself or to anything outside it.
     */
    public static function below(string $base, string $relative): ?string
    {
        if (!self::isPlainRelative($relative)) {
            return null;
        }
        $real = realpath($base . '/' . $relative);
        if ($real === false) {
            return null;
        }
        $prefix = rtrim($base, '/') . '/';
        return str_starts_with($real, $prefix) && strlen($real) > strlen($prefix) ? $real : null;
    }

    public static function hasZipSuffix(string $name): bool
    {
        return strlen($name) > 4 && strcasecmp(substr($name, -4), '.zip') === 0;
    }
}
