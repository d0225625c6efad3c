<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * What the kit puts in place so that a web server rule that is missing exposes as little as
 * possible, and so that check-site.php can tell: an index page in each folder that must never be
 * listed, and canaries, harmless files that stand for what must never be served:
 * - archives in the archive root, in the kinds sellers sell. No product offers a canary; only a
 *   server that hands out archives without a ticket sends one;
 * - editors' and sellers' backup names of config.php and kit-settings.php in the kit folder, which
 *   a server that runs only ".php" files sends as text, secrets and all;
 * - a folder standing for a product's folder, without an index page, with a picture inside.
 * Everything here is best effort: a folder the web server may not write stays as it is, and a file
 * of the seller's under a canary's name is never replaced.
 */
final class SiteGuards
{
    public const INDEX_FILE = 'index.html';
    public const INDEX_PAGE = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Not here</title></head><body></body></html>\n";
    /** Three names in three letter cases: case-sensitive server rules miss the other two. */
    public const ZIP_CANARIES = ['check-site-canary.zip', 'check-site-canary.ZIP', 'check-site-canary.Zip'];
    /** Rules written for ".zip" alone let these through. */
    public const OTHER_CANARIES = ['check-site-canary.rar', 'check-site-canary.7z', 'check-site-canary.pdf',
                                   'check-site-canary.mp3', 'check-site-canary.exe'];
    public const CANARIES = [...self::ZIP_CANARIES, ...self::OTHER_CANARIES];
    public const CANARY_FOLDER = 'check-site-canary';
    public const CANARY_PICTURE = self::CANARY_FOLDER . '/check-site-canary.png';
    /** The files whose copies would hand out the database password and the secret key. */
    public const BACKED_UP = [Kit::CONFIG_FILE, KitSettings::FILE];
    /** What editors, upload tools and sellers leave beside a file they change. */
    public const BACKUP_SUFFIXES = ['~', '.bak', '.orig', '.save', '.swp', '.old'];
    public const INDEX_NAMES = [self::INDEX_FILE, 'index.htm', 'index.php'];

    /**
     * Run on every request of a public script; once everything is in place it costs a look at two
     * files, the last ones laid in each folder.
     */
    public static function ensure(KitSettings $settings): void
    {
        $root = $settings->archiveRoot;
        $backups = self::backups();
        if (is_file($root . '/' . self::CANARY_PICTURE) && is_file($settings->kitDir . '/' . end($backups))) {
            return;
        }
        self::keepUnlisted($root);
        foreach (self::CANARIES as $name) {
            self::lay($root . '/' . $name, self::canary($name));
        }
        $folder = $root . '/' . self::CANARY_FOLDER;
        if (is_dir($folder) || @mkdir($folder)) {
            self::lay($root . '/' . self::CANARY_PICTURE, self::picture());
        }
        foreach ($backups as $name) {
            self::lay($settings->kitDir . '/' . $name, self::backupText($name));
        }
    }

    /** Puts the kit's empty index page into $folder, unless it has an index page already. */
    public static function keepUnlisted(string $folder): void
    {
        if (!self::hasIndexPage($folder)) {
            self::lay($folder . '/' . self::INDEX_FILE, self::INDEX_PAGE);
        }
    }

    public static function hasIndexPage(string $folder): bool
    {
        foreach (self::INDEX_NAMES as $name) {
            if (file_exists($folder . '/' . $name)) {
                return true;
            }
        }
        return false;
    }

    /** @return list<string> the backup names of config.php and kit-settings.php */
    public static function backups(): array
    {
        $names = [];
        foreach (self::BACKED_UP as $file) {
            foreach (self::BACKUP_SUFFIXES as $suffix) {
                $names[] = $file . $suffix;
            }
        }
        return $names;
    }

    /**
     * The bytes of the archive canary $name: an empty zip archive for the zip names, a line of text
     * for the others; each says what it is, for a seller who finds it.
     */
    public static function canary(string $name = self::ZIP_CANARIES[0]): string
    {
        $comment = "Canary of the seller's site kit: whoever could download this without a ticket can download"
            . ' the archives too. Run check-site.php to see how the site is set up.';
        return in_array($name, self::ZIP_CANARIES, true) ? self::emptyZip($comment) : $comment . "\n";
    }

    /** A valid zip archive without entries, its comment (at most 65535 bytes) saying what it is. */
    public static function emptyZip(string $comment): string
    {
        return "PK\x05\x06" . pack('vvvvVVv', 0, 0, 0, 0, 0, 0, strlen($comment)) . $comment;
    }

    /** Never a secret: only a sentence that a server sending it sends real backups as well. */
    public static function backupText(string $name): string
    {
        return "Canary of the seller's site kit, named like a backup of " . self::baseOf($name) . ': a web server'
            . " that sends it would send a real backup of that file too, as plain text.\n";
    }

    /** A PNG of one black pixel whose comment says what it is. */
    public static function picture(): string
    {
        $chunk = static fn (string $type, string $data): string
            => pack('N', strlen($data)) . $type . $data . pack('N', crc32($type . $data));
        return "\x89PNG\r\n\x1a\n"
            . $chunk('IHDR', pack('NNCCCCC', 1, 1, 8, 0, 0, 0, 0))
            . $chunk('tEXt', "Comment\0Canary of the seller's site kit: a product folder's files are served.")
            // zlib's deflate of one scan line: filter 0, one black pixel.
            . $chunk('IDAT', "\x78\x9c\x63\x60\x00\x00\x00\x02\x00\x01")
            . $chunk('IEND', '');
    }

    private static function baseOf(string $backup): string
    {
        foreach (self::BACKED_UP as $file) {
            if (str_starts_with($backup, $file)) {
                return $file;
            }
        }
        return $backup;
    }

    /**
     * Writes $bytes to $file whole, and only where no file of that name is: written beside under
     * a hidden name, then linked into place, which fails rather than replace a file that is there.
     */
    private static function lay(string $file, string $bytes): void
    {
        if (file_exists($file)) {
            return;
        }
        $temporary = dirname($file) . '/.' . basename($file) . '.' . bin2hex(random_bytes(6));
        if (@file_put_contents($temporary, $bytes) === strlen($bytes)) {
            @link($temporary, $file);
        }
        @unlink($temporary);
    }
}
