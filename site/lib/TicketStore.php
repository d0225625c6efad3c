<?php
declare(strict_types=1);

namespace Vantrel\Kit;

use PDO;
use Throwable;

/**
 * Download tickets: one random token per visit of a thanks page, with the product it opens, the
 * thanks key it was issued under, the client network it was issued to, its creation time, its
 * count of downloads and the client networks that used it. Right links have no rate limit, so the
 * store keeps its size in bounds itself: a ticket goes once it is past being kept, and one client
 * network gets at most LIVE_PER_CLIENT live tickets of a product, after which its visits reuse
 * the one with the most left.
 *
 * A download counts once per delivery: one archive of one ticket to one client network. The
 * requests that resume or split it (Range) within DELIVERY_SECONDS of the counted one go free,
 * until together they have sent FREE_COPIES times the archive's size.
 */
final class TicketStore
{
    public const UNKNOWN = 'unknown';
    public const LIVE_PER_CLIENT = 5;
    // A 1 GiB archive at 200 kbit/s, with its pauses and resumes, takes about this long.
    public const DELIVERY_SECONDS = 12 * 3600;
    public const FREE_COPIES = 3;
    // A ticket's columns beside its own: how many client networks used it, and whether the one
    // bound to the statement's first parameter did.
    private const NETWORKS = '(SELECT COUNT(*) FROM download_ticket_addresses a WHERE a.token = t.token) AS addresses,'
        . ' (SELECT COUNT(*) FROM download_ticket_addresses a WHERE a.token = t.token AND a.address = ?) AS known';

    public function __construct(private readonly PDO $db)
    {
    }

    public static function isWellFormed(string $token): bool
    {
        return preg_match('/^[0-9a-f]{32}$/D', $token) === 1;
    }

    /**
     * The ticket for $address's visit: a new one while the client has fewer than LIVE_PER_CLIENT
     * live ones, else its live one with the most downloads and addresses left, never a spent one.
     * Visits from one network at once take turns, so that together they stay under the cap.
     */
    public function issue(string $productCode, string $thanksKey, string $address, TicketLimits $limits, int $now): TicketIssue
    {
        $network = StoredAddress::network($address);
        $kept = $limits->keptSeconds();
        $this->prune($now - $kept, $now);
        return Database::exclusively($this->db, 'vantrel-issue-' . md5($productCode . "\0" . $network),
            function () use ($productCode, $thanksKey, $network, $limits, $now, $kept): TicketIssue {
                // Live: not yet at the end of its lifetime, and under the current thanks key.
                $live = $this->db->prepare('SELECT t.token, t.created, t.downloads, ' . self::NETWORKS
                    . ' FROM download_tickets t WHERE t.product_code = ? AND t.thanks_key = ? AND t.issued_to = ? AND t.created > ?'
                    . ' ORDER BY t.created DESC, t.token LIMIT ' . self::LIVE_PER_CLIENT);
                $live->execute([$network, $productCode, $thanksKey, $network, $now - $kept]);
                $tickets = $live->fetchAll(PDO::FETCH_ASSOC);
                if (count($tickets) < self::LIVE_PER_CLIENT) {
                    $token = bin2hex(random_bytes(16));
                    $this->db->prepare('INSERT INTO download_tickets (token, product_code, thanks_key, issued_to, created, downloads)'
                        . ' VALUES (?, ?, ?, ?, ?, 0)')->execute([$token, $productCode, $thanksKey, $network, $now]);
                    return TicketIssue::ticket($token, $limits->downloadsLeft(0), $limits->addressesLeft(0));
                }
                return self::mostLeft($tickets, $limits) ?? TicketIssue::usedUp(min(array_map(
                    static fn (array $ticket): int => (int) $ticket['created'], $tickets)) + $kept);
            });
    }

    /** @param list<array<string, mixed>> $tickets the live tickets, newest first */
    private static function mostLeft(array $tickets, TicketLimits $limits): ?TicketIssue
    {
        $best = null;
        foreach ($tickets as $ticket) {
            $downloads = $limits->downloadsLeft((int) $ticket['downloads']);
            $addresses = $limits->addressesLeft((int) $ticket['addresses']);
            // A network that used the ticket before may go on using it when no new one may.
            if ($downloads === 0 || ($addresses === 0 && (int) $ticket['known'] === 0)) {
                continue;
            }
            // No limit set sorts above every number; the newest wins a tie.
            $rank = [$downloads ?? PHP_INT_MAX, $addresses ?? PHP_INT_MAX];
            if ($best === null || $rank > $best[0]) {
                $best = [$rank, TicketIssue::ticket((string) $ticket['token'], $downloads, $addresses)];
            }
        }
        return $best[1] ?? null;
    }

    /**
     * Deletes the deliveries past their window, and the tickets made at or before $before with
     * their addresses, unless a delivery of theirs is still open: a buyer's resume is served
     * even when the ticket's own time has run out meanwhile.
     */
    private function prune(int $before, int $now): void
    {
        $ended = $now - self::DELIVERY_SECONDS;
        // A look first: most visits find nothing to delete, and a read takes no write lock.
        if (!Database::finds($this->db, 'SELECT 1 FROM download_tickets WHERE created <= ?'
            . ' UNION ALL SELECT 1 FROM download_deliveries WHERE started <= ? LIMIT 1', [$before, $ended])) {
            return;
        }
        $this->db->prepare('DELETE FROM download_deliveries WHERE started <= ?')->execute([$ended]);
        $gone = 'created <= ? AND token NOT IN (SELECT token FROM download_deliveries)';
        // Addresses first: a failure in between leaves no address without its ticket.
        $this->db->prepare("DELETE FROM download_ticket_addresses WHERE token IN (SELECT token FROM download_tickets WHERE {$gone})")
            ->execute([$before]);
        $this->db->prepare("DELETE FROM download_tickets WHERE {$gone}")->execute([$before]);
    }

    /** @return array{product_code: string, thanks_key: string, created: int, downloads: int, folder: string}|null */
    public function find(string $token): ?array
    {
        $query = $this->db->prepare('SELECT t.product_code, t.thanks_key, t.created, t.downloads, p.folder'
            . ' FROM download_tickets t JOIN products p ON p.code = t.product_code WHERE t.token = ?');
        $query->execute([$token]);
        $row = $query->fetch(PDO::FETCH_ASSOC);
        $query->closeCursor();
        if ($row === false) {
            return null;
        }
        return ['product_code' => (string) $row['product_code'], 'thanks_key' => (string) $row['thanks_key'],
            'created' => (int) $row['created'], 'downloads' => (int) $row['downloads'], 'folder' => (string) $row['folder']];
    }

    /**
     * Decides, before the first byte goes out, whether the request for $archive of the ticket
     * $token from $address may go, and counts it when it starts a new delivery: null when it may
     * go, else the refusal (a TicketLimits constant or UNKNOWN). $rangeBytes is the length that a
     * Range request asks for, null for a request without Range. Two requests for the last allowed
     * download never both pass, and parallel first requests of a split download count once.
     */
    public function deliver(string $token, string $archive, string $address, ?int $rangeBytes, int $size,
                            TicketLimits $limits, int $now): ?string
    {
        $network = StoredAddress::network($address);
        if ($rangeBytes !== null && $this->continues($token, $archive, $network, $rangeBytes, $size, $now)) {
            return null;
        }
        $this->db->beginTransaction();
        try {
            // A write comes first so that both databases hold the ticket's lock from here to the
            // commit: a parallel request for the same ticket waits here instead of reading counts
            // that are about to change.
            $count = $this->db->prepare('UPDATE download_tickets SET downloads = downloads + 1 WHERE token = ?');
            $count->execute([$token]);
            $state = $count->rowCount() === 1 ? $this->state($token, $network) : null;
            if ($state === null) {
                $this->db->rollBack();
                return self::UNKNOWN;
            }
            // A parallel request of the same split download may have opened it while this one waited.
            if ($rangeBytes !== null && $this->continues($token, $archive, $network, $rangeBytes, $size, $now)) {
                $this->db->prepare('UPDATE download_tickets SET downloads = downloads - 1 WHERE token = ?')->execute([$token]);
                $this->db->commit();
                return null;
            }
            $refusal = $limits->refusal($state['created'], $now, $state['downloads'] - 1, $state['known'], $state['addresses']);
            if ($refusal !== null) {
                $this->db->rollBack();
                return $refusal;
            }
            if (!$state['known']) {
                $this->db->prepare('INSERT INTO download_ticket_addresses (token, address) VALUES (?, ?)')
                    ->execute([$token, $network]);
            }
            $this->db->prepare('REPLACE INTO download_deliveries (token, archive, network, started, served) VALUES (?, ?, ?, ?, ?)')
                ->execute([$token, $archive, $network, $now, $rangeBytes ?? $size]);
            $this->db->commit();
            return null;
        } catch (Throwable $e) {
            if ($this->db->inTransaction()) {
                $this->db->rollBack();
            }
            throw $e;
        }
    }

    /** Takes $bytes more on the open delivery, when there is one that has not yet sent its free copies. */
    private function continues(string $token, string $archive, string $network, int $bytes, int $size, int $now): bool
    {
        $take = $this->db->prepare('UPDATE download_deliveries SET served = served + ?'
            . ' WHERE token = ? AND archive = ? AND network = ? AND started > ? AND served < ?');
        $take->execute([$bytes, $token, $archive, $network, $now - self::DELIVERY_SECONDS, self::FREE_COPIES * $size]);
        return $take->rowCount() === 1;
    }

    /** @return array{created: int, downloads: int, addresses: int, known: bool}|null */
    private function state(string $token, string $network): ?array
    {
        $query = $this->db->prepare('SELECT t.created, t.downloads, ' . self::NETWORKS . ' FROM download_tickets t WHERE t.token = ?');
        $query->execute([$network, $token]);
        $row = $query->fetch(PDO::FETCH_ASSOC);
        $query->closeCursor();
        return $row === false ? null : ['created' => (int) $row['created'], 'downloads' => (int) $row['downloads'],
            'addresses' => (int) $row['addresses'], 'known' => (int) $row['known'] > 0];
    }
}
