<?php
declare(strict_types=1);

namespace Vantrel\Kit;

use PDO;
use Throwable;

/**
 * Download tickets: one random token per visit of a thanks page, with the product it opens, the
 * thanks key it was issued under, the client network it was issued to, its creation time, its
 * count of downloads and the addresses that used it. Right links have no rate limit, so the store
 * keeps its size in bounds itself: a ticket goes once it is past being kept, and one client gets
 * at most LIVE_PER_CLIENT live tickets of a product, after which its visits reuse the newest.
 */
final class TicketStore
{
    public const UNKNOWN = 'unknown';
    public const LIVE_PER_CLIENT = 5;

    public function __construct(private readonly PDO $db)
    {
    }

    public static function isWellFormed(string $token): bool
    {
        return preg_match('/^[0-9a-f]{32}$/D', $token) === 1;
    }

    /** The token of a ticket for $address's visit: a new one, or its newest live one when it has enough. */
    public function issue(string $productCode, string $thanksKey, string $address, int $keptSeconds, int $now): string
    {
        $this->prune($now - $keptSeconds);
        $network = StoredAddress::network($address);
        // Live: not yet at the end of its lifetime, and under the current thanks key.
        $live = $this->db->prepare('SELECT token FROM download_tickets WHERE product_code = ? AND thanks_key = ?'
            . ' AND issued_to = ? AND created > ? ORDER BY created DESC, token LIMIT ' . self::LIVE_PER_CLIENT);
        $live->execute([$productCode, $thanksKey, $network, $now - $keptSeconds]);
        $tokens = $live->fetchAll(PDO::FETCH_COLUMN);
        if (count($tokens) >= self::LIVE_PER_CLIENT) {
            return (string) $tokens[0];
        }
        $token = bin2hex(random_bytes(16));
        $this->db->prepare('INSERT INTO download_tickets (token, product_code, thanks_key, issued_to, created, downloads)'
            . ' VALUES (?, ?, ?, ?, ?, 0)')->execute([$token, $productCode, $thanksKey, $network, $now]);
        return $token;
    }

    /** Deletes the tickets made at or before $before, with their addresses. */
    private function prune(int $before): void
    {
        // A look first: most visits find nothing to delete, and a read takes no write lock.
        if (!Database::finds($this->db, 'SELECT 1 FROM download_tickets WHERE created <= ? LIMIT 1', [$before])) {
            return;
        }
        // Addresses first: a failure in between leaves no address without its ticket.
        $this->db->prepare('DELETE FROM download_ticket_addresses WHERE token IN'
            . ' (SELECT token FROM download_tickets WHERE created <= ?)')->execute([$before]);
        $this->db->prepare('DELETE FROM download_tickets WHERE created <= ?')->execute([$before]);
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
