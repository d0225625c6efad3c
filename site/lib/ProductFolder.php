<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * A product's folder below the archive root, and the archives a buyer may download from it: the
 * ".zip" regular files directly inside it. Sub-folders, hidden files and links that lead out of
 * the folder are never offered nor served.
 */
final class ProductFolder
{
    private function __construct(private readonly string $path)
    {
    }

    /** The folder $folder below the archive root $root, or null when it is missing or not below it. */
    public static function open(string $root, string $folder): ?self
    {
        $realRoot = realpath($root);
        if ($realRoot === false) {
            return null;
        }
        $path = SafePath::below($realRoot, rtrim($folder, '/'));
        return $path !== null && is_dir($path) ? new self($path) : null;
    }

    /** A server that lists folders must not show this one's archives (see SiteGuards). */
    public function keepUnlisted(): void
    {
        SiteGuards::keepUnlisted($this->path);
    }

    /** @return list<string> the archives' file names, in byte order */
    public function archives(): array
    {
        $names = [];
        foreach (scandir($this->path) ?: [] as $name) {
            if ($this->archivePath($name) !== null) {
                $names[] = $name;
            } elseif (SafePath::hasZipSuffix($name)) {
                // The seller uploaded it to be offered; only the log can say why it is not.
                error_log("thanks.php: \"" . addcslashes($name, "\0..\37") . "\" in product folder \"{$this->path}\" is not offered: only regular"
                    . ' files of the folder itself with a plain name (no leading ".", no "\\") are');
            }
        }
        sort($names, SORT_STRING);
        return $names;
    }

    /** The real path of the archive $name of this folder, or null when it is not one. */
    public function archivePath(string $name): ?string
    {
        if (!SafePath::hasZipSuffix($name) || str_contains($name, '/')) {
            return null;
        }
        $real = SafePath::below($this->path, $name);
        // A link inside the folder may point at another file of the same folder; the target must
        // be a regular ".zip" file there too, never a sub-folder's file or a device.
        return $real !== null && dirname($real) === $this->path && SafePath::hasZipSuffix($real) && is_file($real)
            ? $real : null;
    }
}
