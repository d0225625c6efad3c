<?php
declare(strict_types=1);

namespace Vantrel\Kit;

final class Html
{
    /**
     * Escapes the five markup bytes and passes every other byte as it is, so that a file name in
     * UTF-8 or in the seller's ANSI code page shows as the page's own charset reads it.
     */
    public static function text(string $bytes): string
    {
        return htmlspecialchars($bytes, ENT_QUOTES | ENT_HTML5, 'ISO-8859-1');
    }

    /** A small complete page of the kit's own, for refusals and for products without a page. */
    public static function page(string $title, string $bodyHtml): string
    {
        return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" . self::text($title)
            . "</title></head>\n<body>\n<h1>" . self::text($title) . "</h1>\n" . $bodyHtml . "\n</body></html>\n";
    }
}
