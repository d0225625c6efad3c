<?php
declare(strict_types=1);

namespace Vantrel\Kit;

use Closure;
use PDOException;
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
        self::settle($name);
        try {
            // "thanks.php/anything" runs thanks.php on Apache; its relative links would then lead
            // to "thanks.php/download.php" and count as wrong tries.
            if (self::pathInfo() !== '') {
                PageReply::notice(404, 'Not found', 'There is no such page.')->send();
                return;
            }
            $kit = Kit::fromDir($kitDir);
            SiteGuards::ensure($kit->settings);
            self::answerWithTables($kit, $answer);
        } catch (Throwable $e) {
            error_log($name . ': ' . $e);
            if (!headers_sent()) {
                $failure->send();
            }
        }
    }

    /**
     * Runs $answer, and once more after making the tables when it found one missing: the first
     * request of a new kit, or the first after an upgrade that needs a new table. Nothing has
     * gone out by then, and the statements before the missing table change nothing twice.
     */
    private static function answerWithTables(Kit $kit, Closure $answer): void
    {
        try {
            $answer($kit);
        } catch (PDOException $e) {
            if (headers_sent() || !Schema::isMissingPart($e) || !Schema::create($kit->db())) {
                throw $e;
            }
            $answer($kit);
        }
    }

    /** The page a buyer gets when something failed on the server's side. */
    public static function pageFailure(): PageReply
    {
        return PageReply::notice(500, 'Server error', 'This page cannot be shown right now. Please try again later.');
    }

    /**
     * The per-request settings a host may have got wrong for the kit. A warning shown in a page
     * names the server's folders and files; it goes to the error log instead, also where the host
     * has locked display_errors on. Every reply states its own charset, or, for the seller's own
     * thanks page, none: PHP's default_charset would override the page's own.
     */
    private static function settle(string $name): void
    {
        if (function_exists('ini_set')) {
            ini_set('display_errors', '0');
            ini_set('log_errors', '1');
            ini_set('default_charset', '');
        }
        set_error_handler(static function (int $level, string $message, string $file, int $line) use ($name): bool {
            // An "@" leaves such a warning to PHP, which then neither shows nor logs it.
            if ((error_reporting() & $level) === 0) {
                return false;
            }
            error_log("{$name}: {$message} in {$file} on line {$line}");
            return true;
        });
    }

    // Only PATH_INFO: under PHP as CGI, ORIG_PATH_INFO holds the script's own path on every request.
    private static function pathInfo(): string
    {
        $value = $_SERVER['PATH_INFO'] ?? '';
        return is_string($value) ? $value : '';
    }
}
