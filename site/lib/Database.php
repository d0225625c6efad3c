<?php
declare(strict_types=1);

namespace Vantrel\Kit;

use Closure;
use PDO;
use RuntimeException;
use Throwable;

/**
 * The kit's connection: MySQL/MariaDB when config.php names a host, else SQLite in the data folder
 * (the demo, and sellers without MySQL). The tables are made when a request first misses them
 * (PublicScript, Schema).
 */
final class Database
{
    private const BUSY_SECONDS = 10;
    private const LOCK_SECONDS = 30;

    public static function open(SiteConfig $config, KitSettings $settings): PDO
    {
        return $config->hostname === '' ? self::openSqlite($settings->dataDir)
            : self::openMysql($config, $settings->get('db_persistent', false) === true);
    }

    /**
     * Whether $sql finds a row. Its cursor is closed at once: an open SQLite statement holds its
     * read lock, against which no other request can write.
     */
    public static function finds(PDO $db, string $sql, array $params): bool
    {
        $query = $db->prepare($sql);
        $query->execute($params);
        $found = $query->fetchColumn() !== false;
        $query->closeCursor();
        return $found;
    }

    /**
     * Runs $work alone among the requests that ask for the same $lockName: SQLite in a write
     * transaction, MySQL under a named lock (which also spans DDL, which MySQL commits at once).
     */
    public static function exclusively(PDO $db, string $lockName, Closure $work): mixed
    {
        if ($db->getAttribute(PDO::ATTR_DRIVER_NAME) === 'sqlite') {
            $db->exec('BEGIN IMMEDIATE');
            try {
                $result = $work();
                $db->exec('COMMIT');
                return $result;
            } catch (Throwable $e) {
                $db->exec('ROLLBACK');
                throw $e;
            }
        }
        $lock = $db->prepare('SELECT GET_LOCK(?, ?)');
        $lock->execute([$lockName, self::LOCK_SECONDS]);
        if ((int) $lock->fetchColumn() !== 1) {
            throw new RuntimeException("another request holds the lock {$lockName}");
        }
        try {
            return $work();
        } finally {
            $db->prepare('SELECT RELEASE_LOCK(?)')->execute([$lockName]);
        }
    }

    /** PDO DSN parts for $hostname as sellers write it: "host", "host:3307", "[::1]:3307", "localhost:/path.sock". */
    public static function mysqlTarget(string $hostname): array
    {
        if (preg_match('/^\[([^\]]+)\](?::([0-9]{1,5}))?$/', $hostname, $m) === 1) {
            return isset($m[2]) ? ['host' => $m[1], 'port' => $m[2]] : ['host' => $m[1]];
        }
        if (substr_count($hostname, ':') !== 1) {
            return ['host' => $hostname];
        }
        [$host, $rest] = explode(':', $hostname, 2);
        if (preg_match('/^[0-9]{1,5}$/', $rest) === 1) {
            return ['host' => $host, 'port' => $rest];
        }
        return ['host' => $host === '' ? 'localhost' : $host, 'unix_socket' => $rest];
    }

    private static function openMysql(SiteConfig $config, bool $persistent): PDO
    {
        $parts = self::mysqlTarget($config->hostname) + ['dbname' => $config->database];
        $dsn = [];
        foreach ($parts as $name => $value) {
            // PDO's DSN has no escaping: a ";" would start another option.
            if (str_contains($value, ';')) {
                throw new RuntimeException('the database host or name holds a ";"');
            }
            $dsn[] = $name . '=' . $value;
        }
        $db = new PDO('mysql:' . implode(';', $dsn), $config->username, $config->password, [
            PDO::ATTR_ERRMODE => PDO::ERRMODE_EXCEPTION,
            PDO::ATTR_EMULATE_PREPARES => false,
            PDO::ATTR_STRINGIFY_FETCHES => true,
            // Off by default: shared hosts cap the connections per user, and every idle worker
            // would hold one of them.
            PDO::ATTR_PERSISTENT => $persistent,
        ]);
        // Binary client character set: bytes travel and are stored unchanged. Strict mode makes an
        // over-long value an error instead of a silently cut one.
        $db->exec("SET NAMES binary, SESSION sql_mode = 'STRICT_ALL_TABLES,NO_ENGINE_SUBSTITUTION'");
        return $db;
    }

    private static function openSqlite(string $dataDir): PDO
    {
        $db = new PDO('sqlite:' . SqliteFile::in($dataDir), null, null, [
            PDO::ATTR_ERRMODE => PDO::ERRMODE_EXCEPTION,
            PDO::ATTR_TIMEOUT => self::BUSY_SECONDS,
            PDO::ATTR_STRINGIFY_FETCHES => true,
        ]);
        return $db;
    }
}
