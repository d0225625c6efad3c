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

    public function __construct(public readonly SendWith $sendWith, private readonly string $documentRoot)
    {
    }

    public static function forKit(Kit $kit): self
    {
        $documentRoot = $_SERVER['DOCUMENT_ROOT'] ?? '';
        return new self($kit->settings->sendWith(), is_string($documentRoot) ? $documentRoot : '');
    }

    /**
     * Why the archive at $path, $size bytes long, cannot be delivered whole, or null when it can.
     * Lifts PHP's time limit on the way, where the host allows it.
     */
    public function problem(string $path, int $size): ?string
    {
        return OutputBuffers::problem()
            ?? ($this->sendWith === SendWith::Php ? $this->sendingProblem($size) : $this->handOverProblem($path));
    }

    /** The header line that hands the archive at $path to the web server; null when PHP sends it. */
    public function handOver(string $path): ?string
    {
        return match ($this->sendWith) {
            SendWith::Php => null,
            // Debian's mod_xsendfile takes the path as it stands, percent signs included.
            SendWith::XSendfile => 'X-Sendfile: ' . $path,
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

    private function handOverProblem(string $path): ?string
    {
        $setting = "send_with '{$this->sendWith->value}'";
        if (PHP_SAPI === 'cli' || PHP_SAPI === 'cli-server') {
            return "{$setting} needs Apache or nginx in front of PHP";
        }
        if ($this->sendWith === SendWith::XSendfile && function_exists('apache_get_modules')
            && !in_array('mod_xsendfile', apache_get_modules(), true)) {
            return "{$setting}: Apache has not loaded mod_xsendfile";
        }
        if ($this->sendWith === SendWith::XSendfile && strpbrk($path, "\r\n") !== false) {
            return "{$setting}: a header cannot carry the line break in the archive's path";
        }
        if ($this->sendWith === SendWith::XAccelRedirect && $this->accelUri($path) === null) {
            return "{$setting}: the archive lies outside the document root \"{$this->documentRoot}\"";
        }
        return null;
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
}
