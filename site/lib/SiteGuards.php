<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * What the kit puts in place so that a web server rule that is missing exposes as little as
 * possible, and so that check-site.php can tell: an index page in each folder that must never be
 * listed, and canary archives in the archive root. No product offers a canary; only a server that
 * hands out archives without a ticket sends one, in whichever letter case it was asked for.
 * Everything here is best effort: a folder the web server may not write stays as it is.
 */
final class SiteGuards
{
    public const INDEX_FILE = 'index.html';
    public const INDEX_PAGE = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Not here</title></head><body></body></html>\n";
    /** Three names in three letter cases: case-sensitive server rules miss the other two. */
    public const CANARIES = ['check-site-canary.zip', 'check-site-canary.ZIP', 'check-site-canary.Zip'];
    private const INDEX_NAMES = [self::INDEX_FILE, 'index.htm', 'index.php'];

    /** Run on every request of a public script; after the first it costs one look at a file. */
    public static function ensure(KitSettings $settings): void
    {
        $root = $settings->archiveRoot;
        if (is_file($root . '/' . self::CANARIES[0])) {
            return;
        }
        self::keepUnlisted($root);
        foreach (self::CANARIES as $name) {
            self::writeWhole($root . '/' . $name, self::canary());
        }
    }

    /** Puts the kit's empty index page into $folder, unless it has an index page already. */
    public static function keepUnlisted(string $folder): void
    {
        foreach (self::INDEX_NAMES as $name) {
            if (file_exists($folder . '/' . $name)) {
                return;
            }
        }
        self::writeWhole($folder . '/' . self::INDEX_FILE, self::INDEX_PAGE);
    }

    /** An empty zip archive whose comment says what it is, for a seller who finds it. */
    public static function canary(): string
    {
        $comment = "Canary of the seller's site kit: whoever could download this without a ticket can download"
            . ' the archives too. Run check-site.php to see how the site is set up.';
        return "PK\x05\x06" . pack('vvvvVVv', 0, 0, 0, 0, 0, 0, strlen($comment)) . $comment;
    }

    private static function writeWhole(string $file, string $bytes): void
    {
        // Hidden while it is written, so that no reader sees half a file under the real name.
        $temporary = dirname($file) . '/.' . basename($file) . '.' . bin2hex(random_bytes(6));
        if (@file_put_contents($temporary, $bytes) !== strlen($bytes) || !@rename($temporary, $file)) {
            @unlink($temporary);
        }
    }
}
