<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/** The parts of a download request that decide what is sent and whether it counts. */
final class DownloadRequest
{
    // Far longer than any honest value of these headers.
    private const MAX_HEADER_BYTES = 1024;

    public function __construct(
        public readonly bool $isHead = false,
        public readonly ?string $range = null,
        public readonly ?string $ifRange = null,
        public readonly ?string $ifNoneMatch = null,
        public readonly ?string $ifModifiedSince = null,
    ) {
    }

    /** @param array<string, mixed> $server the request as $_SERVER describes it */
    public static function fromServer(array $server): self
    {
        $header = static function (string $name) use ($server): ?string {
            $value = $server[$name] ?? null;
            return is_string($value) && strlen($value) <= self::MAX_HEADER_BYTES ? $value : null;
        };
        return new self(($server['REQUEST_METHOD'] ?? 'GET') === 'HEAD', $header('HTTP_RANGE'), $header('HTTP_IF_RANGE'),
            $header('HTTP_IF_NONE_MATCH'), $header('HTTP_IF_MODIFIED_SINCE'));
    }

    /** The bytes this request gets of $file: the range it asks for, or all when its If-Range fails. */
    public function rangeOf(ArchiveFile $file): ByteRange
    {
        return $file->satisfiesIfRange($this->ifRange) ? ByteRange::parse($this->range, $file->size) : ByteRange::whole($file->size);
    }
}
