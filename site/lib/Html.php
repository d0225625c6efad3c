<?php
declare(strict_types=1);

namespace Vantrel\Kit;

final class Html
{
    /**
     * The kit's own pages carry product names as the console sent them: bytes of the seller's
     * Windows code page, which browsers read as windows-1252.
     */
    public const CHARSET = 'windows-1252';
    public const CONTENT_TYPE = 'text/html; charset=' . self::CHARSET;

    /**
     * Escapes the five markup bytes and passes every other byte as it is, so that a name in the
     * seller's code page shows as the page's charset reads it.
     */
    public static function text(string $bytes): string
    {
        return htmlspecialchars($bytes, ENT_QUOTES | ENT_HTML5, 'ISO-8859-1');
    }

    /**
     * A file name as the server's file system gives it: valid UTF-8 (as on most servers) goes in
     * as character references, which read the same in every page's charset; other bytes as text().
     */
    public static function fileName(string $bytes): string
    {
        $escaped = self::text($bytes);
        if (preg_match('//u', $bytes) !== 1) {
            return $escaped;
        }
        return preg_replace_callback('/[^\x00-\x7f]/u',
            static fn (array $m): string => '&#' . self::codePoint($m[0]) . ';', $escaped);
    }

    /** A small complete page of the kit's own, for refusals and for products without a page. */
    public static function page(string $title, string $bodyHtml): string
    {
        return "<!DOCTYPE html>\n<html><head><meta charset=\"" . self::CHARSET . '"><title>' . self::text($title)
            . "</title></head>\n<body>\n<h1>" . self::text($title) . "</h1>\n" . $bodyHtml . "\n</body></html>\n";
    }

    /** The code point of one UTF-8 character of two to four bytes. */
    private static function codePoint(string $char): int
    {
        $bytes = array_map('ord', str_split($char));
        $code = $bytes[0] & (0xff >> (count($bytes) + 1));
        foreach (array_slice($bytes, 1) as $byte) {
            $code = ($code << 6) | ($byte & 0x3f);
        }
        return $code;
    }
}
