<?php
declare(strict_types=1);

namespace Vantrel\Kit;

use PDO;
use PDOException;

/**
 * Whether the web server has been seen to send an archive that the kit handed over to it. PHP
 * cannot tell a server that performs a hand-over from one that only passes the header on (Apache
 * with mod_xsendfile loaded but "XSendFile" off answers with an empty body), so the kit hands over
 * only once check-site.php has downloaded a random canary that way and the bytes matched. The
 * proof holds for one setting, server software and archive root: a change of any asks again.
 */
final class HandOverProof
{
    private const PROVEN = 'handover-';
    private const NOTED = 'unproven-';

    public function __construct(
        private readonly PDO $db,
        private readonly SendWith $sendWith,
        private readonly string $serverSoftware,
        private readonly string $archiveRoot,
    ) {
    }

    public static function forKit(Kit $kit, SendWith $sendWith): self
    {
        $software = $_SERVER['SERVER_SOFTWARE'] ?? '';
        return new self($kit->db(), $sendWith, is_string($software) ? $software : '', $kit->settings->archiveRoot);
    }

    public function isProven(): bool
    {
        return Database::finds($this->db, 'SELECT 1 FROM kit_counters WHERE name = ?', [$this->name(self::PROVEN)]);
    }

    public function record(int $now): void
    {
        $this->db->prepare('REPLACE INTO kit_counters (name, value) VALUES (?, ?)')->execute([$this->name(self::PROVEN), $now]);
    }

    /** True the first time it is asked for this setting and server: the error log says it once. */
    public function isFirstUnprovenUse(int $now): bool
    {
        try {
            $this->db->prepare('INSERT INTO kit_counters (name, value) VALUES (?, ?)')->execute([$this->name(self::NOTED), $now]);
            return true;
        } catch (PDOException $e) {
            if ($e->getCode() !== '23000') {
                throw $e;
            }
            return false;
        }
    }

    // The counters' names hold 32 bytes.
    private function name(string $kind): string
    {
        return $kind . substr(hash('sha256', $this->sendWith->value . "\0" . $this->serverSoftware . "\0" . $this->archiveRoot),
            0, 32 - strlen($kind));
    }
}
