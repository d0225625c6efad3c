<?php
declare(strict_types=1);

namespace Vantrel\Kit;

use PDO;
use PDOException;

/**
 * Refuses an address for a while after too many wrong thanks links: once it has made $maxTries
 * wrong tries within $windowSeconds of its first one, every thanks link from it is refused until
 * that window ends, right ones included, so that a guess cannot be told right from wrong.
 * A right link does not clear the count: holding one product's link must not reset the guessing
 * of another's. $maxTries of 0 or below switches the throttle off.
 */
final class WrongTryThrottle
{
    public function __construct(
        private readonly PDO $db,
        private readonly int $maxTries,
        private readonly int $windowSeconds,
    ) {
    }

    /** Seconds until $address may try again, 0 when it may now. */
    public function secondsBlocked(string $address, int $now): int
    {
        if ($this->maxTries <= 0) {
            return 0;
        }
        $query = $this->db->prepare('SELECT first_try, tries FROM thanks_wrong_tries WHERE address = ?');
        $query->execute([StoredAddress::of($address)]);
        $row = $query->fetch(PDO::FETCH_ASSOC);
        if ($row === false || (int) $row['tries'] < $this->maxTries) {
            return 0;
        }
        return max(0, (int) $row['first_try'] + $this->windowSeconds - $now);
    }

    public function recordWrongTry(string $address, int $now): void
    {
        if ($this->maxTries <= 0) {
            return;
        }
        $address = StoredAddress::of($address);
        // Windows that have ended are dropped, so the table holds only recent addresses and the
        // next wrong try of such an address opens a new window.
        $this->db->prepare('DELETE FROM thanks_wrong_tries WHERE first_try <= ?')->execute([$now - $this->windowSeconds]);
        $add = $this->db->prepare('UPDATE thanks_wrong_tries SET tries = tries + 1 WHERE address = ?');
        $add->execute([$address]);
        if ($add->rowCount() === 0) {
            try {
                $this->db->prepare('INSERT INTO thanks_wrong_tries (address, first_try, tries) VALUES (?, ?, 1)')
                    ->execute([$address, $now]);
            } catch (PDOException) {
                // A parallel wrong try from the same address made the row first.
                $add->execute([$address]);
            }
        }
    }
}
