<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * Whether an archive can reach the buyer whole from this host, found out before its download
 * counts: an output handler that would change the bytes under a Content-Length, a time limit that
 * would cut them, a function the sending needs that the host has disabled, or a server that cannot
 * take the archive over. Hosts lock such settings where the seller cannot see them.
 */
final class ArchiveDelivery
{
    // PHP spends about half a second of processor time on a GiB it sends; outside Windows the
    // time limit counts processor time, so a limit that cannot be lifted still lets through an
    // archive that needs far less than it. One second per 128 MiB leaves a wide margin.
    private const BYTES_PER_CPU_SECOND = 128 * 1024 * 1024;
    private const SENDING_FUNCTIONS = ['fread', 'flush', 'connection_aborted', 'stream_set_read_buffer'];

    /**
     * @param SendWith $configured the seller's send_with
     * @param bool $proven whether the server has been seen to perform that hand-over (HandOverProof)
     */
    public function __construct(
        public readonly SendWith $configured,
        private readonly bool $proven,
        private readonly string $documentRoot,
        private readonly string $serverSoftware,
        private readonly string $kitDir = '',
    ) {
    }

    public static function forKit(Kit $kit): self
    {
        $configured = $kit->settings->sendWith();
        $proven = false;
        if ($configured !== SendWith::Php) {
            $proof = HandOverProof::forKit($kit, $configured);
            $proven = $proof->isProven();
            if (!$proven && $proof->isFirstUnprovenUse($kit->clock->now())) {
                error_log("download.php: send_with '{$configured->value}' has not been proven on this server;"
                    . ' the archives go out through PHP until hosting/check-site.php has seen the server send one');
            }
        }
        return new self($configured, $proven, self::serverValue('DOCUMENT_ROOT'), self::serverValue('SERVER_SOFTWARE'),
            $kit->settings->kitDir);
    }

    /** Who sends the archives now: the configured hand-over once proven, PHP until then. */
    public function sendWith(): SendWith
    {
        return $this->proven ? $this->configured : SendWith::Php;
    }

    /**
     * Why the configured hand-over cannot work on this server at all, or null: the download is
     * then refused rather than sent some other way, so that the seller learns of the setting.
     */
    public function refusal(string $path): ?string
    {
        if ($this->configured === SendWith::Php) {
            return null;
        }
        $setting = "send_with '{$this->configured->value}'";
        $server = strtolower($this->serverSoftware);
        if (PHP_SAPI === 'cli' || PHP_SAPI === 'cli-server') {
            return "{$setting} needs Apache or nginx in front of PHP";
        }
        if ($this->configured === SendWith::XSendfile && str_contains($server, 'nginx')) {
            return "{$setting} needs Apache with mod_xsendfile; nginx takes 'x-accel-redirect'";
        }
        if ($this->configured === SendWith::XAccelRedirect && str_contains($server, 'apache')) {
            return "{$setting} needs nginx; Apache with mod_xsendfile takes 'x-sendfile'";
        }
        if ($this->configured === SendWith::XSendfile && function_exists('apache_get_modules')
            && !in_array('mod_xsendfile', apache_get_modules(), true)) {
            return "{$setting}: Apache has not loaded mod_xsendfile";
        }
        if ($this->configured === SendWith::XSendfile && strpbrk($path, "\r\n") !== false) {
            return "{$setting}: a header cannot carry the line break in the archive's path";
        }
        if ($this->configured === SendWith::XAccelRedirect && $this->accelUri($path) === null) {
            return "{$setting}: the archive lies outside the document root \"{$this->documentRoot}\"";
        }
        return null;
    }

    /**
     * Why the archive at $path, $size bytes long, cannot be delivered whole as things stand, or
     * null when it can. Lifts PHP's time limit on the way, where the host allows it.
     */
    public function problem(string $path, int $size): ?string
    {
        return OutputBuffers::problem() ?? $this->refusal($path)
            ?? ($this->sendWith() === SendWith::Php ? $this->sendingProblem($size) : null);
    }

    /** The header line that hands the archive at $path to the web server; null when PHP sends it. */
    public function handOver(string $path): ?string
    {
        return $this->sendWith() === SendWith::Php ? null : $this->handOverHeader($path);
    }

    /** The configured hand-over of $path, proven or not: what the proof itself tries. */
    public function handOverHeader(string $path): ?string
    {
        return match ($this->configured) {
            SendWith::Php => null,
            SendWith::XSendfile => 'X-Sendfile: ' . $this->sendfilePath($path),
            SendWith::XAccelRedirect => 'X-Accel-Redirect: ' . $this->accelUri($path),
        };
    }

    private function sendingProblem(int $size): ?string
    {
        foreach (self::SENDING_FUNCTIONS as $function) {
            if (!function_exists($function)) {
                return "the host has disabled {$function}()";
            }
        }
        $limit = (int) ini_get('max_execution_time');
        if ($limit <= 0
            || (function_exists('set_time_limit') && set_time_limit(0))
            || (function_exists('ini_set') && ini_set('max_execution_time', '0') !== false)
            || (PHP_OS_FAMILY !== 'Windows' && $limit > 1 + $size / self::BYTES_PER_CPU_SECOND)) {
            return null;
        }
        return "max_execution_time is {$limit} s and the host does not let the kit lift it";
    }

    /**
     * The archive's path for mod_xsendfile, which takes it as it stands, percent signs included:
     * relative to the kit's folder, where download.php runs, whenever the archive lies below it.
     * A server that drops the hand-over passes the header on to the buyer, who must not learn
     * the server's folders from it.
     */
    private function sendfilePath(string $path): string
    {
        $kit = $this->kitDir === '' ? false : realpath($this->kitDir);
        $prefix = $kit === false ? null : rtrim($kit, '/') . '/';
        return $prefix !== null && str_starts_with($path, $prefix) ? substr($path, strlen($prefix)) : $path;
    }

    /** The archive's URL path below the document root, which nginx's internal location serves. */
    private function accelUri(string $path): ?string
    {
        $root = $this->documentRoot === '' ? false : realpath($this->documentRoot);
        if ($root === false) {
            return null;
        }
        $prefix = rtrim($root, '/') . '/';
        return str_starts_with($path, $prefix) ? '/' . self::escaped(substr($path, strlen($prefix))) : null;
    }

    private static function escaped(string $path): string
    {
        return implode('/', array_map('rawurlencode', explode('/', $path)));
    }

    private static function serverValue(string $name): string
    {
        $value = $_SERVER[$name] ?? '';
        return is_string($value) ? $value : '';
    }
}
