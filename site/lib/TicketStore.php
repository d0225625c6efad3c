<?php
declare(strict_types=1);

namespace Vantrel\Kit;

use PDO;
use Throwable;

/**
 * Download tickets: one random token per visit of a thanks page, with the product it opens, the
 * thanks key it was issued under, its creation time, its count of downloads and the addresses
 * that used it.
 */
final class TicketStore
{
    public const UNKNOWN = 'unknown';

    public function __construct(private readonly PDO $db)
    {
    }

    public static function isWellFormed(string $token): bool
    {
        return preg_match('/^[0-9a-f]{32}$/D', $token) === 1;
    }

    public function issue(string $productCode, string $thanksKey, int $now): string
    {
        $token = bin2hex(random_bytes(16));
        $this->db->prepare('INSERT INTO download_tickets (token, product_code, thanks_key, created, downloads)'
            . ' VALUES (?, ?, ?, ?, 0)')->execute([$token, $productCode, $thanksKey, $now]);
        return $token;
    }

    /** @return array{product_code: string, thanks_key: string, created: int, downloads: int}|null */
    public function find(string $token): ?array
    {
        $query = $this->db->prepare('SELECT product_code, thanks_key, created, downloads FROM download_tickets WHERE token = ?');
        $query->execute([$token]);
        $row = $query->fetch(PDO::FETCH_ASSOC);
        if ($row === false) {
            return null;
        }
        return ['product_code' => (string) $row['product_code'], 'thanks_key' => (string) $row['thanks_key'],
            'created' => (int) $row['created'], 'downloads' => (int) $row['downloads']];
    }

    /**
     * Counts one download for $address when the limits let it go: null when it may go, else the
     * refusal (a TicketLimits constant or UNKNOWN). Two requests for the last allowed download
     * never both pass.
     */
    public function redeem(string $token, string $address, TicketLimits $limits, int $now): ?string
    {
        $address = StoredAddress::of($address);
        $this->db->beginTransaction();
        try {
            // A write comes first so that both databases hold the ticket's lock from here to the
            // commit: a parallel request for the same ticket waits here instead of reading counts
            // that are about to change.
            $count = $this->db->prepare('UPDATE download_tickets SET downloads = downloads + 1 WHERE token = ?');
            $count->execute([$token]);
            $ticket = $count->rowCount() === 1 ? $this->find($token) : null;
            $refusal = $ticket === null ? self::UNKNOWN : $this->limitReached($token, $address, $ticket, $limits, $now);
            if ($refusal !== null) {
                $this->db->rollBack();
                return $refusal;
            }
            $this->db->commit();
            return null;
        } catch (Throwable $e) {
            if ($this->db->inTransaction()) {
                $this->db->rollBack();
            }
            throw $e;
        }
    }

    private function limitReached(string $token, string $address, array $ticket, TicketLimits $limits, int $now): ?string
    {
        $known = $this->db->prepare('SELECT COUNT(*) FROM download_ticket_addresses WHERE token = ? AND address = ?');
        $known->execute([$token, $address]);
        $isKnown = (int) $known->fetchColumn() > 0;
        $all = $this->db->prepare('SELECT COUNT(*) FROM download_ticket_addresses WHERE token = ?');
        $all->execute([$token]);
        $refusal = $limits->refusal($ticket['created'], $now, $ticket['downloads'] - 1, $isKnown, (int) $all->fetchColumn());
        if ($refusal === null && !$isKnown) {
            $this->db->prepare('INSERT INTO download_ticket_addresses (token, address) VALUES (?, ?)')
                ->execute([$token, $address]);
        }
        return $refusal;
    }
}
