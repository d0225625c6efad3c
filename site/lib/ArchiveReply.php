<?php
declare(strict_types=1);

/**
 * Sends one archive to the buyer in fixed-size pieces, so that the script's memory stays the same
 * for a 1 KiB and a 1 GiB file.
 */
final class ArchiveReply
{
    private const CHUNK = 256 * 1024;

    public readonly int $size;

    /** @param resource $file an open, readable handle on the archive */
    public function __construct(private $file, public readonly string $name)
    {
        // The length is fixed once: a file that grows while it is sent must not outrun the
        // Content-Length that went out before it.
        $this->size = fstat($file)['size'];
        // PHP's own read buffer would cut every piece into 8 KiB reads of the file.
        stream_set_read_buffer($file, 0);
    }

    /** The file name as both forms of Content-Disposition carry it: a plain ASCII one and the exact bytes. */
    public static function disposition(string $name): string
    {
        $ascii = preg_replace('/[^\x20-\x7e]|["\\\\%;]/', '_', $name);
        return 'attachment; filename="' . $ascii . '"; filename*=UTF-8\'\'' . rawurlencode($name);
    }

    /** @return array<string, string> */
    public function headers(): array
    {
        return [
            'Content-Type' => 'application/zip',
            'Content-Length' => (string) $this->size,
            'Content-Disposition' => self::disposition($this->name),
            'Cache-Control' => 'no-store',
            'X-Content-Type-Options' => 'nosniff',
        ];
    }

    public function send(): void
    {
        // A host that compresses its output would send other bytes than Content-Length promises.
        if (extension_loaded('zlib')) {
            ini_set('zlib.output_compression', '0');
        }
        http_response_code(200);
        foreach ($this->headers() as $name => $value) {
            header($name . ': ' . $value);
        }
        set_time_limit(0);
        while (ob_get_level() > 0) {
            ob_end_flush();
        }
        for ($left = $this->size; $left > 0 && !connection_aborted(); $left -= strlen($piece)) {
            $piece = fread($this->file, min(self::CHUNK, $left));
            if ($piece === false || $piece === '') {
                break;
            }
            echo $piece;
            flush();
        }
        fclose($this->file);
    }
}
