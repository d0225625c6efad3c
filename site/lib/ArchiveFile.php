<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * One archive opened for a download, with the validators a browser needs to resume it. The ETag
 * is nginx's own for a static file (modification time and size in hex), so that a download that
 * nginx sends after a hand-over and one that PHP sends carry the same one, and a buyer's resume
 * matches whichever of them answers it.
 */
final class ArchiveFile
{
    public readonly int $size;
    public readonly int $modified;

    /** @param resource $handle an open, readable handle on the file at $path */
    private function __construct(public readonly string $path, private $handle)
    {
        // Fixed once: a file that grows while it is sent must not outrun the length that went out.
        $stat = fstat($handle);
        $this->size = $stat['size'];
        $this->modified = $stat['mtime'];
    }

    public static function open(string $path): ?self
    {
        $handle = @fopen($path, 'rb');
        return $handle === false ? null : new self($path, $handle);
    }

    public function __destruct()
    {
        if (is_resource($this->handle)) {
            fclose($this->handle);
        }
    }

    /** @return resource */
    public function handle()
    {
        return $this->handle;
    }

    public function etag(): string
    {
        return '"' . dechex($this->modified) . '-' . dechex($this->size) . '"';
    }

    /** @return array{ETag: string, Last-Modified: string} what a reply says of this file */
    public function validators(): array
    {
        return ['ETag' => $this->etag(), 'Last-Modified' => $this->lastModified()];
    }

    public function lastModified(): string
    {
        return gmdate('D, d M Y H:i:s', $this->modified) . ' GMT';
    }

    /**
     * Whether an If-None-Match or If-Modified-Since header says that the client holds this very
     * file already, so that a 304 can answer it. An entity tag compares weakly here, as the
     * standard has it for this header.
     */
    public function isHeldBy(?string $ifNoneMatch, ?string $ifModifiedSince): bool
    {
        if ($ifNoneMatch !== null) {
            if (trim($ifNoneMatch) === '*') {
                return true;
            }
            foreach (explode(',', $ifNoneMatch) as $tag) {
                if (preg_replace('#^W/#', '', trim($tag)) === $this->etag()) {
                    return true;
                }
            }
            return false;
        }
        $since = $ifModifiedSince === null ? false : strtotime($ifModifiedSince);
        return $since !== false && $this->modified <= $since;
    }

    /**
     * Whether an If-Range header lets a range of this file be sent: a strong entity tag that is
     * this file's, or exactly its modification date. A weak tag never does.
     */
    public function satisfiesIfRange(?string $ifRange): bool
    {
        if ($ifRange === null) {
            return true;
        }
        $ifRange = trim($ifRange);
        return $ifRange === $this->etag() || $ifRange === $this->lastModified();
    }
}
