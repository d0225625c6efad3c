<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * The product's thanks page with its download links put in. The seller's page is an ".html" or
 * ".htm" file in the kit folder; the links replace every "{DOWNLOAD_LINKS}" in it, or, when it has
 * none, go before its last "</body>", or at its end. Only those two extensions are read, so that a
 * thanks page value can never show config.php, the settings or the database to a buyer.
 */
final class ThanksPage
{
    public const PLACEHOLDER = '{DOWNLOAD_LINKS}';
    private const MAX_BYTES = 4 * 1024 * 1024;

    /** The seller's page $value below the kit folder, or null when there is no usable one. */
    public static function findFile(string $kitDir, string $value): ?string
    {
        $realKit = realpath($kitDir);
        if ($realKit === false || !preg_match('/\.html?$/iD', $value)) {
            return null;
        }
        $path = SafePath::below($realKit, $value);
        return $path !== null && is_file($path) && filesize($path) <= self::MAX_BYTES ? $path : null;
    }

    /**
     * @param list<array{name: string, href: string}> $links
     * @param TicketIssue|null $issue the ticket behind the links, or why there are none
     */
    public static function linksHtml(array $links, ?TicketIssue $issue = null): string
    {
        if ($issue !== null && $issue->token === null) {
            return '<p class="downloads">Your downloads of this product are used up. New download links can be had from '
                . gmdate('j F Y, H:i', $issue->renewsAt) . ' UTC: open this page again then.</p>';
        }
        if ($links === []) {
            return '<p class="downloads">No download is available for this product yet.</p>';
        }
        $items = '';
        foreach ($links as $link) {
            $items .= '<li><a href="' . Html::text($link['href']) . '">' . Html::fileName($link['name']) . "</a></li>\n";
        }
        return "<ul class=\"downloads\">\n" . $items . '</ul>' . self::allowanceHtml($issue);
    }

    private static function allowanceHtml(?TicketIssue $issue): string
    {
        $left = [];
        if ($issue?->downloadsLeft !== null) {
            $left[] = 'Downloads left: ' . $issue->downloadsLeft . '.';
        }
        if ($issue?->addressesLeft !== null) {
            $left[] = 'New addresses they may be used from: ' . $issue->addressesLeft . '.';
        }
        return $left === [] ? '' : "\n<p class=\"allowance\">" . implode(' ', $left) . '</p>';
    }

    /** @param list<array{name: string, href: string}> $links */
    public static function render(?string $template, string $productName, array $links, ?TicketIssue $issue = null): string
    {
        $block = self::linksHtml($links, $issue);
        if ($template === null) {
            return Html::page('Thank you for your purchase',
                '<p>Your download of ' . Html::text($productName) . " is ready:</p>\n" . $block);
        }
        if (str_contains($template, self::PLACEHOLDER)) {
            return str_replace(self::PLACEHOLDER, $block, $template);
        }
        $end = strripos($template, '</body');
        return $end === false
            ? $template . "\n" . $block . "\n"
            : substr($template, 0, $end) . $block . "\n" . substr($template, $end);
    }
}
