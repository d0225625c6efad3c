<?php
declare(strict_types=1);

/** The frame of thanks.php and download.php: a failure goes to the server's log, never to the buyer. */
final class PublicScript
{
    /** @param Closure(): (PageReply|ArchiveReply) $answer */
    public static function run(string $name, Closure $answer): void
    {
        try {
            $answer()->send();
        } catch (Throwable $e) {
            error_log($name . ': ' . $e);
            if (!headers_sent()) {
                PageReply::notice(500, 'Server error', 'This page cannot be shown right now. Please try again later.')->send();
            }
        }
    }
}
