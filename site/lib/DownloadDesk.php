<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * Answers download.php?t=TOKEN&f=NAME: one archive of the ticket's product, or one range of it,
 * within the limits. Everything that decides whether a request counts happens here, before the
 * first byte: a request that only checks (HEAD, a conditional one that the buyer's copy
 * satisfies, a range past the end) never counts; one that continues an open delivery goes free.
 */
final class DownloadDesk
{
    public function __construct(
        private readonly string $secretKey,
        private readonly TicketLimits $limits,
        private readonly TicketStore $tickets,
        private readonly Clock $clock,
        private readonly string $archiveRoot,
        private readonly ArchiveDelivery $delivery,
    ) {
    }

    public static function forKit(Kit $kit): self
    {
        return new self($kit->config->secretKey, TicketLimits::fromConfig($kit->config), new TicketStore($kit->db()),
            $kit->clock, $kit->settings->archiveRoot, ArchiveDelivery::forKit($kit));
    }

    /** @param array<string, mixed> $query the request's query parameters */
    public function answer(array $query, string $address, DownloadRequest $request = new DownloadRequest()): PageReply|ArchiveReply
    {
        if (!ThanksKey::isUsableSecret($this->secretKey)) {
            return ThanksDesk::downloadsOff();
        }
        $token = is_string($query['t'] ?? null) ? $query['t'] : '';
        $name = is_string($query['f'] ?? null) ? $query['f'] : '';
        $ticket = TicketStore::isWellFormed($token) ? $this->tickets->find($token) : null;
        // A ticket dies with its thanks link: a new secret key, or a new code after a renaming.
        if ($ticket === null || !ThanksKey::matches($this->secretKey, $ticket['product_code'], $ticket['thanks_key'])) {
            return self::refused(TicketLimits::explain(TicketStore::UNKNOWN));
        }
        $path = ProductFolder::open($this->archiveRoot, $ticket['folder'])?->archivePath($name);
        $file = $path === null ? null : ArchiveFile::open($path);
        if ($file === null) {
            return PageReply::notice(404, 'Not found', 'This product has no such archive.');
        }
        if ($file->isHeldBy($request->ifNoneMatch, $request->ifModifiedSince)) {
            return new PageReply(304, '', $file->validators());
        }
        $range = $request->rangeOf($file);
        if ($range->kind === ByteRange::UNSATISFIABLE) {
            return new PageReply(416, '', ['Content-Type' => 'text/plain', 'Content-Range' => "bytes */{$file->size}"]);
        }
        if ($request->isHead) {
            return new ArchiveReply($file, $name, $range, null, false);
        }
        // Counted only once it can go out whole: a host that would cut or corrupt it must not
        // take one of the buyer's downloads.
        $problem = $this->delivery->problem($path, $file->size);
        if ($problem !== null) {
            error_log('download.php: cannot deliver an archive: ' . $problem);
            return self::cannotDeliver();
        }
        $refusal = $this->tickets->deliver($token, $name, $address, $request->range === null ? null : $range->length(),
            $file->size, $this->limits, $this->clock->now());
        if ($refusal !== null) {
            return self::refused(TicketLimits::explain($refusal));
        }
        return new ArchiveReply($file, $name, $range, $this->delivery->handOver($path));
    }

    /** The plain page of a download that this host cannot deliver whole; nothing was counted. */
    public static function cannotDeliver(): PageReply
    {
        return PageReply::notice(500, 'Download unavailable',
            'This download cannot be delivered right now. Nothing was counted; please try again later.');
    }

    private static function refused(string $sentence): PageReply
    {
        return PageReply::notice(403, 'Download refused', $sentence);
    }
}
