<?php
declare(strict_types=1);

namespace Vantrel\Kit;

use PDO;
use PDOException;

/**
 * Wrong thanks links per client network (StoredAddress::network): once one has made $maxTries
 * wrong tries within $windowSeconds of its first, its further wrong links are refused as too many
 * until that window ends. Right links are never held back: behind a proxy, a CDN or a carrier's
 * NAT one address is many buyers, and a key of 128 bits needs no hiding of right from wrong.
 * Each try takes its place in the count in one statement, so that parallel requests can never
 * pass more than $maxTries. $maxTries of 0 or below switches the throttle off.
 */
final class WrongTryThrottle
{
    public function __construct(
        private readonly PDO $db,
        private readonly int $maxTries,
        private readonly int $windowSeconds,
    ) {
    }

    /** Counts a wrong try: 0 when it is within the limit, else the seconds until the network may try again. */
    public function countWrongTry(string $address, int $now): int
    {
        if ($this->maxTries <= 0) {
            return 0;
        }
        $network = StoredAddress::network($address);
        $this->prune($now);
        $claim = $this->db->prepare('UPDATE thanks_wrong_tries SET tries = tries + 1 WHERE address = ? AND tries < ?');
        for ($attempt = 0; $attempt < 2; ++$attempt) {
            $claim->execute([$network, $this->maxTries]);
            if ($claim->rowCount() === 1) {
                return 0;
            }
            try {
                $this->db->prepare('INSERT INTO thanks_wrong_tries (address, first_try, tries) VALUES (?, ?, 1)')
                    ->execute([$network, $now]);
                return 0;
            } catch (PDOException $e) {
                // A key clash: the network's row is there, full or made by a parallel try just now.
                if ($e->getCode() !== '23000') {
                    throw $e;
                }
            }
        }
        $first = $this->db->prepare('SELECT first_try FROM thanks_wrong_tries WHERE address = ?');
        $first->execute([$network]);
        $firstTry = (int) $first->fetchColumn();
        $first->closeCursor();
        return max(1, $firstTry + $this->windowSeconds - $now);
    }

    /** Drops the windows that have ended, so that the table holds only recent networks. */
    public function prune(int $now): void
    {
        if ($this->maxTries <= 0) {
            return;
        }
        // A look first, as most requests find nothing to drop: a read takes no write lock.
        $ended = [$now - $this->windowSeconds];
        if (Database::finds($this->db, 'SELECT 1 FROM thanks_wrong_tries WHERE first_try <= ? LIMIT 1', $ended)) {
            $this->db->prepare('DELETE FROM thanks_wrong_tries WHERE first_try <= ?')->execute($ended);
        }
    }
}
