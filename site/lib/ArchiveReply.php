<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * Sends one archive, or one range of it, to the buyer: in fixed-size pieces, so that the script's
 * memory stays the same for a 1 KiB and a 1 GiB file, or by handing it to the web server, which
 * then sends the bytes and answers the range itself.
 */
final class ArchiveReply
{
    private const CHUNK = 256 * 1024;

    /**
     * @param string|null $handOver the header line that hands the file to the web server, or null
     * @param bool $withBody false for a HEAD request
     */
    public function __construct(
        private readonly ArchiveFile $file,
        public readonly string $name,
        public readonly ByteRange $range,
        private readonly ?string $handOver = null,
        private readonly bool $withBody = true,
    ) {
    }

    public function status(): int
    {
        return $this->handOver === null && $this->range->kind === ByteRange::SINGLE ? 206 : 200;
    }

    /**
     * The file name as Content-Disposition carries it: plain ASCII in "filename", and, when the
     * name is UTF-8, the exact name in "filename*". A name in another encoding (a file uploaded
     * from Windows) has only the ASCII form: filename* would claim UTF-8 for bytes that are not.
     */
    public static function disposition(string $name): string
    {
        // One "_" for each run of what plain ASCII between quotes cannot hold: a UTF-8 letter is
        // one letter, however many bytes it takes.
        $ascii = preg_replace('/[^\x20-\x21\x23-\x5b\x5d-\x7e]+/', '_', $name);
        $exact = preg_match('//u', $name) === 1 ? '; filename*=UTF-8\'\'' . rawurlencode($name) : '';
        return 'attachment; filename="' . $ascii . '"' . $exact;
    }

    /** @return array<string, string> */
    public function headers(): array
    {
        // A server that takes the file over sets the length and the range itself. It keeps the
        // validators (Apache) or sets the same ones (nginx), against which it checks If-Range.
        $own = $this->handOver !== null ? [] : [
            'Content-Length' => (string) $this->range->length(),
            ...($this->status() === 206
                ? ['Content-Range' => "bytes {$this->range->first}-{$this->range->last}/{$this->file->size}"] : []),
            'Accept-Ranges' => 'bytes',
        ];
        return [
            'Content-Type' => 'application/zip',
            ...$own,
            ...$this->file->validators(),
            'Content-Disposition' => self::disposition($this->name),
            'Cache-Control' => 'no-store',
            'X-Content-Type-Options' => 'nosniff',
        ];
    }

    public function send(): void
    {
        // ArchiveDelivery has made sure before the count that nothing is left to change the bytes.
        OutputBuffers::dropAll();
        http_response_code($this->status());
        foreach ($this->headers() as $name => $value) {
            header($name . ': ' . $value);
        }
        if ($this->handOver !== null) {
            header($this->handOver);
            return;
        }
        if (!$this->withBody) {
            return;
        }
        $handle = $this->file->handle();
        // PHP's own read buffer would cut every piece into 8 KiB reads of the file.
        stream_set_read_buffer($handle, 0);
        if ($this->range->first > 0 && fseek($handle, $this->range->first) !== 0) {
            return;
        }
        for ($left = $this->range->length(); $left > 0 && !connection_aborted(); $left -= strlen($piece)) {
            $piece = fread($handle, min(self::CHUNK, $left));
            if ($piece === false || $piece === '') {
                break;
            }
            echo $piece;
            flush();
        }
    }
}
