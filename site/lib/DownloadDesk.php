<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/** Answers download.php?t=TOKEN&f=NAME: one archive of the ticket's product, within the limits. */
final class DownloadDesk
{
    public function __construct(
        private readonly string $secretKey,
        private readonly TicketLimits $limits,
        private readonly ProductStore $products,
        private readonly TicketStore $tickets,
        private readonly Clock $clock,
        private readonly string $archiveRoot,
        private readonly ArchiveDelivery $delivery,
    ) {
    }

    public static function forKit(Kit $kit): self
    {
        $db = $kit->db();
        return new self($kit->config->secretKey, TicketLimits::fromConfig($kit->config),
            new ProductStore($db), new TicketStore($db), $kit->clock, $kit->settings->archiveRoot,
            ArchiveDelivery::forKit($kit));
    }

    /** @param array<string, mixed> $query the request's query parameters */
    public function answer(array $query, string $address): PageReply|ArchiveReply
    {
        if (!ThanksKey::isUsableSecret($this->secretKey)) {
            return ThanksDesk::downloadsOff();
        }
        $token = is_string($query['t'] ?? null) ? $query['t'] : '';
        $name = is_string($query['f'] ?? null) ? $query['f'] : '';
        $ticket = TicketStore::isWellFormed($token) ? $this->tickets->find($token) : null;
        $product = $ticket === null ? null : $this->products->findByCode($ticket['product_code']);
        // A ticket dies with its thanks link: a new secret key, or a new code after a renaming.
        if ($product === null || !ThanksKey::matches($this->secretKey, $ticket['product_code'], $ticket['thanks_key'])) {
            return self::refused(TicketLimits::explain(TicketStore::UNKNOWN));
        }
        $path = ProductFolder::open($this->archiveRoot, (string) $product['folder'])?->archivePath($name);
        $file = $path === null ? false : fopen($path, 'rb');
        if ($file === false) {
            return PageReply::notice(404, 'Not found', 'This product has no such archive.');
        }
        // Counted only once it can go out whole: a host that would cut or corrupt it must not
        // take one of the buyer's downloads.
        $problem = $this->delivery->problem($path, fstat($file)['size']);
        if ($problem !== null) {
            fclose($file);
            error_log('download.php: cannot deliver an archive: ' . $problem);
            return PageReply::notice(500, 'Download unavailable',
                'This download cannot be delivered right now. Nothing was counted; please try again later.');
        }
        $refusal = $this->tickets->redeem($token, $address, $this->limits, $this->clock->now());
        if ($refusal !== null) {
            fclose($file);
            return self::refused(TicketLimits::explain($refusal));
        }
        return new ArchiveReply($file, $name, $this->delivery->handOver($path));
    }

    private static function refused(string $sentence): PageReply
    {
        return PageReply::notice(403, 'Download refused', $sentence);
    }
}
