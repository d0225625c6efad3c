<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * Sends one archive to the buyer: in fixed-size pieces, so that the script's memory stays the same
 * for a 1 KiB and a 1 GiB file, or by handing it to the web server, which then sends the bytes.
 */
final class ArchiveReply
{
    private const CHUNK = 256 * 1024;

    public readonly int $size;

    /**
     * @param resource $file an open, readable handle on the archive
     * @param string|null $handOver the header line that hands the file to the web server, or null
     */
    public function __construct(private $file, public readonly string $name, private readonly ?string $handOver = null)
    {
        // The length is fixed once: a file that grows while it is sent must not outrun the
        // Content-Length that went out before it.
        $this->size = fstat($file)['size'];
    }

    /**
     * The file name as Content-Disposition carries it: plain ASCII in "filename", and, when the
     * name is UTF-8, the exact name in "filename*". A name in another encoding (a file uploaded
     * from Windows) has only the ASCII form: filename* would claim UTF-8 for bytes that are not.
     */
    public static function disposition(string $name): string
    {
        $ascii = preg_replace('/[^\x20-\x7e]|["\\\\%;]/', '_', $name);
        $exact = preg_match('//u', $name) === 1 ? '; filename*=UTF-8\'\'' . rawurlencode($name) : '';
        return 'attachment; filename="' . $ascii . '"' . $exact;
    }

    /** @return array<string, string> */
    public function headers(): array
    {
        // A server that takes the file over sets the length from the file it sends.
        $length = $this->handOver === null ? ['Content-Length' => (string) $this->size] : [];
        return [
            'Content-Type' => 'application/zip',
            ...$length,
            'Content-Disposition' => self::disposition($this->name),
            'Cache-Control' => 'no-store',
            'X-Content-Type-Options' => 'nosniff',
        ];
    }

    public function send(): void
    {
        // ArchiveDelivery has made sure before the count that nothing is left to change the bytes.
        OutputBuffers::dropAll();
        http_response_code(200);
        foreach ($this->headers() as $name => $value) {
            header($name . ': ' . $value);
        }
        if ($this->handOver !== null) {
            header($this->handOver);
            fclose($this->file);
            return;
        }
        // PHP's own read buffer would cut every piece into 8 KiB reads of the file.
        stream_set_read_buffer($this->file, 0);
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
