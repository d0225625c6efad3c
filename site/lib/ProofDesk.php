<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * Answers download.php?proof=…, through which check-site.php proves the configured hand-over:
 * "start" lays a canary of random bytes in the archive root and hands it to the web server as an
 * archive; the SHA-256 of what arrived, sent back, records the proof when it is the canary's.
 * Only a server that really sent the file can know those bytes, so a stranger can start a proof
 * but never forge one, and learns nothing from it.
 */
final class ProofDesk
{
    public const CANARY = 'check-site-proof.zip';
    private const CANARY_BYTES = 16384;

    public function __construct(
        private readonly ArchiveDelivery $delivery,
        private readonly HandOverProof $proof,
        private readonly string $archiveRoot,
        private readonly Clock $clock,
    ) {
    }

    public static function forKit(Kit $kit): self
    {
        $delivery = ArchiveDelivery::forKit($kit);
        return new self($delivery, HandOverProof::forKit($kit, $delivery->configured), $kit->settings->archiveRoot, $kit->clock);
    }

    public function answer(string $value): PageReply|ArchiveReply
    {
        if ($value === 'start') {
            return $this->start();
        }
        if (preg_match('/^[0-9a-f]{64}$/D', $value) === 1) {
            return $this->check($value);
        }
        return PageReply::notice(404, 'Not found', 'There is no such page.');
    }

    private function start(): PageReply|ArchiveReply
    {
        if ($this->delivery->configured === SendWith::Php) {
            return new PageReply(204, '', ['Content-Type' => 'text/plain']);
        }
        $path = $this->canaryPath();
        $refusal = $this->delivery->refusal($path);
        if ($refusal !== null) {
            error_log('download.php: cannot prove the hand-over: ' . $refusal);
            return DownloadDesk::cannotDeliver();
        }
        $file = self::layCanary($path) ? ArchiveFile::open($path) : null;
        if ($file === null) {
            error_log('download.php: cannot prove the hand-over: the web server cannot write ' . self::CANARY . ' into the archive root');
            return PageReply::notice(503, 'Cannot prove', 'The kit cannot lay its canary archive.');
        }
        return new ArchiveReply($file, self::CANARY, ByteRange::whole($file->size), $this->delivery->handOverHeader($path));
    }

    private function check(string $sha256): PageReply
    {
        $path = $this->canaryPath();
        $bytes = is_file($path) ? (string) file_get_contents($path) : '';
        if ($bytes === '' || !hash_equals(hash('sha256', $bytes), $sha256)) {
            return new PageReply(409, 'not proven', ['Content-Type' => 'text/plain']);
        }
        $this->proof->record($this->clock->now());
        @unlink($path);
        return new PageReply(200, 'proven', ['Content-Type' => 'text/plain']);
    }

    private function canaryPath(): string
    {
        $root = realpath($this->archiveRoot);
        return ($root === false ? $this->archiveRoot : $root) . '/' . self::CANARY;
    }

    /** An empty zip archive whose comment is random: harmless if it is ever found and opened. */
    private static function layCanary(string $path): bool
    {
        $comment = bin2hex(random_bytes(intdiv(self::CANARY_BYTES, 2)));
        $bytes = SiteGuards::emptyZip($comment);
        $temporary = dirname($path) . '/.' . basename($path) . '.' . bin2hex(random_bytes(6));
        if (@file_put_contents($temporary, $bytes) === strlen($bytes) && @rename($temporary, $path)) {
            return true;
        }
        @unlink($temporary);
        return false;
    }
}
