<?php
declare(strict_types=1);

namespace Vantrel\Kit;

use PDO;
use PDOException;
use RuntimeException;

/**
 * The kit's tables, created on the first request (there is no manual SQL step for the seller).
 * Texts are stored as the bytes that came in: the console speaks the seller's ANSI code page and
 * never converts, so MySQL columns are binary and SQLite compares with its byte collation.
 */
final class Schema
{
    private const LOCK_NAME = 'vantrel-kit-schema';

    /**
     * The statements that bring a database to each version, per PDO driver name. A database gets
     * those of every version above its own, once.
     * @var array<int, array<string, list<string>>>
     */
    private const UPGRADES = [1 => [
        'sqlite' => [
            'CREATE TABLE IF NOT EXISTS kit_counters (
                name TEXT NOT NULL PRIMARY KEY,
                value INTEGER NOT NULL)',
            "INSERT OR IGNORE INTO kit_counters (name, value) VALUES ('products', 0)",
            'CREATE TABLE IF NOT EXISTS products (
                id INTEGER NOT NULL PRIMARY KEY,
                name TEXT NOT NULL,
                name_key TEXT NOT NULL UNIQUE,
                folder TEXT NOT NULL,
                thanks_page TEXT NOT NULL,
                code TEXT NOT NULL UNIQUE)',
            'CREATE TABLE IF NOT EXISTS download_tickets (
                token TEXT NOT NULL PRIMARY KEY,
                product_code TEXT NOT NULL,
                thanks_key TEXT NOT NULL,
                created INTEGER NOT NULL,
                downloads INTEGER NOT NULL)',
            'CREATE TABLE IF NOT EXISTS download_ticket_addresses (
                token TEXT NOT NULL,
                address TEXT NOT NULL,
                PRIMARY KEY (token, address))',
            'CREATE TABLE IF NOT EXISTS thanks_wrong_tries (
                address TEXT NOT NULL PRIMARY KEY,
                first_try INTEGER NOT NULL,
                tries INTEGER NOT NULL)',
            'CREATE INDEX IF NOT EXISTS thanks_wrong_tries_first ON thanks_wrong_tries (first_try)',
        ],
        'mysql' => [
            'CREATE TABLE IF NOT EXISTS kit_counters (
                name VARBINARY(32) NOT NULL PRIMARY KEY,
                value BIGINT NOT NULL) ENGINE=InnoDB',
            "INSERT IGNORE INTO kit_counters (name, value) VALUES ('products', 0)",
            'CREATE TABLE IF NOT EXISTS products (
                id BIGINT NOT NULL PRIMARY KEY,
                name VARBINARY(255) NOT NULL,
                name_key VARBINARY(255) NOT NULL,
                folder VARBINARY(1024) NOT NULL,
                thanks_page VARBINARY(1024) NOT NULL,
                code VARBINARY(16) NOT NULL,
                UNIQUE KEY products_name_key (name_key),
                UNIQUE KEY products_code (code)) ENGINE=InnoDB',
            'CREATE TABLE IF NOT EXISTS download_tickets (
                token BINARY(32) NOT NULL PRIMARY KEY,
                product_code VARBINARY(16) NOT NULL,
                thanks_key VARBINARY(128) NOT NULL,
                created BIGINT NOT NULL,
                downloads BIGINT NOT NULL) ENGINE=InnoDB',
            'CREATE TABLE IF NOT EXISTS download_ticket_addresses (
                token BINARY(32) NOT NULL,
                address VARBINARY(100) NOT NULL,
                PRIMARY KEY (token, address)) ENGINE=InnoDB',
            'CREATE TABLE IF NOT EXISTS thanks_wrong_tries (
                address VARBINARY(100) NOT NULL PRIMARY KEY,
                first_try BIGINT NOT NULL,
                tries BIGINT NOT NULL,
                KEY thanks_wrong_tries_first (first_try)) ENGINE=InnoDB',
        ],
    ], 2 => [
        // Tickets know the client network they were issued to, and are found by age.
        'sqlite' => [
            "ALTER TABLE download_tickets ADD COLUMN issued_to TEXT NOT NULL DEFAULT ''",
            'CREATE INDEX download_tickets_issued ON download_tickets (product_code, issued_to, created)',
            'CREATE INDEX download_tickets_created ON download_tickets (created)',
        ],
        'mysql' => [
            "ALTER TABLE download_tickets ADD COLUMN issued_to VARBINARY(100) NOT NULL DEFAULT '',
                ADD KEY download_tickets_issued (product_code, issued_to, created),
                ADD KEY download_tickets_created (created)",
        ],
    ], 3 => [
        // A delivery: one archive of a ticket on its way to one client network, which the
        // requests that resume or split it continue without counting again.
        'sqlite' => [
            'CREATE TABLE IF NOT EXISTS download_deliveries (
                token TEXT NOT NULL,
                archive TEXT NOT NULL,
                network TEXT NOT NULL,
                started INTEGER NOT NULL,
                served INTEGER NOT NULL,
                PRIMARY KEY (token, archive, network))',
            'CREATE INDEX IF NOT EXISTS download_deliveries_started ON download_deliveries (started)',
        ],
        'mysql' => [
            'CREATE TABLE IF NOT EXISTS download_deliveries (
                token BINARY(32) NOT NULL,
                archive VARBINARY(255) NOT NULL,
                network VARBINARY(100) NOT NULL,
                started BIGINT NOT NULL,
                served BIGINT NOT NULL,
                PRIMARY KEY (token, archive, network),
                KEY download_deliveries_started (started)) ENGINE=InnoDB',
        ],
    ]];

    /**
     * Brings the database to the latest version; true when it had to. Public scripts call it only
     * once a statement finds a table or column missing (isMissingPart), so that no request pays a
     * look at the schema for the rare one that finds it out of date.
     */
    public static function create(PDO $db): bool
    {
        $driver = $db->getAttribute(PDO::ATTR_DRIVER_NAME);
        if (!isset(self::UPGRADES[1][$driver])) {
            throw new RuntimeException('unsupported database driver ' . $driver);
        }
        $latest = array_key_last(self::UPGRADES);
        if (self::version($db) >= $latest) {
            return false;
        }
        // Another request may be upgrading too: only one runs the statements, which are not all
        // safe to run twice, and the others find the work done once it lets them in.
        return Database::exclusively($db, self::LOCK_NAME, static function () use ($db, $driver, $latest): bool {
            $version = self::version($db);
            if ($version >= $latest) {
                return false;
            }
            foreach (self::UPGRADES as $to => $statements) {
                if ($to > $version) {
                    foreach ($statements[$driver] as $statement) {
                        $db->exec($statement);
                    }
                }
            }
            $db->prepare("REPLACE INTO kit_counters (name, value) VALUES ('schema', ?)")->execute([$latest]);
            return true;
        });
    }

    /** Whether $e says that a table or a column the kit uses is not in the database (yet). */
    public static function isMissingPart(PDOException $e): bool
    {
        // MySQL's own states; SQLite says it only in words.
        return in_array($e->getCode(), ['42S02', '42S22'], true)
            || preg_match('/no such (table|column)|has no column named/', $e->getMessage()) === 1;
    }

    private static function version(PDO $db): int
    {
        try {
            $value = $db->query("SELECT value FROM kit_counters WHERE name = 'schema'")->fetchColumn();
        } catch (PDOException) {
            return 0;
        }
        return $value === false ? 0 : (int) $value;
    }
}
