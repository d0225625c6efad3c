<?php
declare(strict_types=1);

/** A reply as it came off the socket: status, headers (lower-case names) and body bytes. */
final class HttpReply
{
    /** @param array<string, string> $headers */
    public function __construct(
        public readonly int $status,
        public readonly array $headers,
        public readonly string $body,
    ) {
    }

    public static function parse(string $raw): self
    {
        $split = strpos($raw, "\r\n\r\n");
        if ($split === false || preg_match('#^HTTP/1\.[01] ([0-9]{3})#', $raw, $m) !== 1) {
            throw new RuntimeException('not an HTTP reply: ' . substr($raw, 0, 80));
        }
        $headers = [];
        foreach (array_slice(explode("\r\n", substr($raw, 0, $split)), 1) as $line) {
            [$name, $value] = array_map('trim', explode(':', $line, 2)) + [1 => ''];
            $headers[strtolower($name)] = $value;
        }
        $body = substr($raw, $split + 4);
        if (strtolower($headers['transfer-encoding'] ?? '') === 'chunked') {
            $body = self::unchunk($body);
        }
        return new self((int) $m[1], $headers, $body);
    }

    private static function unchunk(string $data): string
    {
        $out = '';
        $at = 0;
        while (($eol = strpos($data, "\r\n", $at)) !== false) {
            $size = hexdec(substr($data, $at, $eol - $at));
            if ($size === 0) {
                break;
            }
            $out .= substr($data, $eol + 2, $size);
            $at = $eol + 2 + $size + 2;
        }
        return $out;
    }
}
