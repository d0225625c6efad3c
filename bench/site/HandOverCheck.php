<?php
declare(strict_types=1);

/**
 * Proves the kit's configured hand-over on a running server as hosting/check-site.php does: the
 * canary archive of download.php?proof=start, received through the hand-over, and its SHA-256
 * sent back. Until then the kit sends every archive through PHP itself, whatever send_with says.
 */
final class HandOverCheck
{
    // The canary is 16 KiB; anything much longer is not it.
    private const REPLY_LIMIT = 1024 * 1024;
    // PHP's opcache looks at kit-settings.php again every 2 s by default.
    private const SETTINGS_SECONDS = 10;

    /** Throws unless the server has sent the canary it was handed and the kit recorded the proof. */
    public static function prove(RealServer $server, PDO $db): void
    {
        $deadline = microtime(true) + self::SETTINGS_SECONDS;
        // 204: the kit still reads send_with 'php', the settings written a moment ago not yet seen.
        while (([$status, $canary] = self::get($server->url('/download.php?proof=start')))[0] === 204
               && microtime(true) < $deadline) {
            usleep(200_000);
        }
        if ($status !== 200 || $canary === '') {
            throw new RuntimeException("the hand-over cannot be proven: proof=start answered {$status} with "
                . strlen($canary) . " bytes\n" . $server->logs());
        }
        [$status, $body] = self::get($server->url('/download.php?proof=' . hash('sha256', $canary)));
        if ($status !== 200 || $body !== 'proven') {
            throw new RuntimeException("the hand-over was not proven: {$status} " . substr($body, 0, 200) . "\n" . $server->logs());
        }
        $proofs = (int) $db->query("SELECT COUNT(*) FROM kit_counters WHERE name LIKE 'handover-%'")->fetchColumn();
        if ($proofs < 1) {
            throw new RuntimeException('download.php said "proven" but kit_counters holds no proof');
        }
    }

    /** @return array{int, string} the status and the body of a GET, the body bounded */
    private static function get(string $url): array
    {
        $context = stream_context_create(['http' => ['ignore_errors' => true, 'timeout' => 30, 'follow_location' => 0]]);
        $body = @file_get_contents($url, false, $context, 0, self::REPLY_LIMIT + 1);
        $statusLine = $http_response_header[0] ?? '';
        if ($body === false || preg_match('#^HTTP/\d(?:\.\d)? (\d{3})(?: |$)#', $statusLine, $m) !== 1) {
            throw new RuntimeException("no HTTP reply from {$url}");
        }
        if (strlen($body) > self::REPLY_LIMIT) {
            throw new RuntimeException("{$url} answered with more than " . self::REPLY_LIMIT . ' bytes');
        }
        return [(int) $m[1], $body];
    }
}
