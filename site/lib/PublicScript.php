<?php
declare(strict_types=1);

namespace Vantrel\Kit;

use Closure;
use Throwable;

/**
 * The frame of every public script (actions.php, thanks.php, download.php), the one place where
 * what they all need happens: only their own URL runs them, the kit's guards are in place, and a
 * failure goes to the server's log, never to the visitor.
 */
final class PublicScript
{
    /**
     * @param Closure(Kit): void $answer reads the request and sends the reply
     * @param PageReply $failure what the visitor gets when $answer fails before it has replied
     */
    public static function run(string $name, string $kitDir, Closure $answer, PageReply $failure): void
    {
        try {
            // "thanks.php/anything" runs thanks.php on Apache; its relative links would then lead
            // to "thanks.php/download.php" and count as wrong tries.
            if (self::pathInfo() !== '') {
                PageReply::notice(404, 'Not found', 'There is no such page.')->send();
                return;
            }
            $kit = Kit::fromDir($kitDir);
            SiteGuards::ensure($kit->settings);
            $answer($kit);
        } catch (Throwable $e) {
            error_log($name . ': ' . $e);
            if (!headers_sent()) {
                $failure->send();
            }
        }
    }

    /** The page a buyer gets when something failed on the server's side. */
    public static function pageFailure(): PageReply
    {
        return PageReply::notice(500, 'Server error', 'This page cannot be shown right now. Please try again later.');
    }

    // Only PATH_INFO: under PHP as CGI, ORIG_PATH_INFO holds the script's own path on every request.
    private static function pathInfo(): string
    {
        $value = $_SERVER['PATH_INFO'] ?? '';
        return is_string($value) ? $value : '';
    }
}
