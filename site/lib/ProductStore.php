<?php
declare(strict_types=1);

namespace Vantrel\Kit;

use Closure;
use Generator;
use PDO;
use PDOException;
use PDOStatement;
use Throwable;

/**
 * The seller's products. Keys come from a counter that only grows, so a deleted product's key is
 * never handed out again (MySQL before 8.0 resets AUTO_INCREMENT on restart, so it is not used).
 * Names are unique without regard to the case of ASCII letters (see site/README.md); a product's
 * code is new whenever its name changes, as the seller's payment buttons follow the name.
 *
 * Every change takes the counter row first: it serialises writers on both databases, so the name
 * check and the write that follows it cannot interleave with another request's.
 */
final class ProductStore
{
    public const CODE_LENGTH = 10;
    private const CODE_ALPHABET = 'ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789';
    private const COLUMNS = 'id, name, folder, thanks_page, code';
    // A new code that collides with an existing one is drawn again; so is a lost race.
    private const ATTEMPTS = 5;
    private const DELETE_BATCH = 500;

    /** @var array<string, PDOStatement> */
    private array $statements = [];
    private readonly Closure $newCode;

    public function __construct(private readonly PDO $db, ?Closure $newCode = null)
    {
        $this->newCode = $newCode ?? static function (): string {
            $code = '';
            for ($i = 0; $i < self::CODE_LENGTH; ++$i) {
                $code .= self::CODE_ALPHABET[random_int(0, strlen(self::CODE_ALPHABET) - 1)];
            }
            return $code;
        };
    }

    /** The key of the new product, or null when another product has the name. */
    public function add(string $name, string $folder, string $thanksPage): ?int
    {
        return $this->write(function () use ($name, $folder, $thanksPage): ?int {
            $this->lockWriters();
            if ($this->idOfName($name) !== null) {
                return null;
            }
            $this->run("UPDATE kit_counters SET value = value + 1 WHERE name = 'products'");
            $id = (int) $this->value("SELECT value FROM kit_counters WHERE name = 'products'");
            $this->run(
                'INSERT INTO products (id, name, name_key, folder, thanks_page, code) VALUES (?, ?, ?, ?, ?, ?)',
                [$id, $name, self::nameKey($name), $folder, $thanksPage, ($this->newCode)()],
            );
            return $id;
        });
    }

    public function update(int $id, string $name, string $folder, string $thanksPage): ProductChange
    {
        return $this->write(function () use ($id, $name, $folder, $thanksPage): ProductChange {
            $this->lockWriters();
            $current = $this->find($id);
            if ($current === null) {
                return ProductChange::Missing;
            }
            $holder = $this->idOfName($name);
            if ($holder !== null && $holder !== $id) {
                return ProductChange::NameTaken;
            }
            $code = $current['name'] === $name ? $current['code'] : ($this->newCode)();
            $this->run(
                'UPDATE products SET name = ?, name_key = ?, folder = ?, thanks_page = ?, code = ? WHERE id = ?',
                [$name, self::nameKey($name), $folder, $thanksPage, $code, $id],
            );
            return ProductChange::Done;
        });
    }

    /**
     * Deletes in batches, reading $ids once, as they come.
     * @param iterable<int> $ids keys that no product has are passed over
     */
    public function delete(iterable $ids): void
    {
        $this->write(function () use ($ids): void {
            $this->lockWriters();
            $batch = [];
            foreach ($ids as $id) {
                $batch[] = $id;
                if (count($batch) === self::DELETE_BATCH) {
                    $this->deleteBatch($batch);
                    $batch = [];
                }
            }
            if ($batch !== []) {
                $this->deleteBatch($batch);
            }
        });
    }

    public function deleteAll(): void
    {
        $this->write(function (): void {
            $this->lockWriters();
            $this->run('DELETE FROM products');
        });
    }

    /** @return array{id: string, name: string, folder: string, thanks_page: string, code: string}|null */
    public function find(int $id): ?array
    {
        return $this->one('SELECT ' . self::COLUMNS . ' FROM products WHERE id = ?', [$id]);
    }

    /** @return array{id: string, name: string, folder: string, thanks_page: string, code: string}|null */
    public function findByCode(string $code): ?array
    {
        return $this->one('SELECT ' . self::COLUMNS . ' FROM products WHERE code = ?', [$code]);
    }

    /**
     * Every product in key order, one row at a time: a list of 100,000 products must not sit in
     * memory, so MySQL is asked for an unbuffered result (no other query may run until it ends).
     *
     * @return Generator<int, array{id: string, name: string, folder: string, thanks_page: string, code: string}>
     */
    public function each(): Generator
    {
        $mysql = $this->db->getAttribute(PDO::ATTR_DRIVER_NAME) === 'mysql';
        if ($mysql) {
            $this->db->setAttribute(PDO::MYSQL_ATTR_USE_BUFFERED_QUERY, false);
        }
        try {
            $rows = $this->db->query('SELECT ' . self::COLUMNS . ' FROM products ORDER BY id', PDO::FETCH_ASSOC);
            foreach ($rows as $row) {
                yield $row;
            }
            $rows->closeCursor();
        } finally {
            if ($mysql) {
                $this->db->setAttribute(PDO::MYSQL_ATTR_USE_BUFFERED_QUERY, true);
            }
        }
    }

    // Names that differ only in the case of ASCII letters are the same name. Other bytes are
    // compared as they are: the site cannot know the seller's code page.
    private static function nameKey(string $name): string
    {
        return strtolower($name);
    }

    /** @param non-empty-list<int> $ids */
    private function deleteBatch(array $ids): void
    {
        $this->run('DELETE FROM products WHERE id IN (?' . str_repeat(', ?', count($ids) - 1) . ')', $ids);
    }

    private function idOfName(string $name): ?int
    {
        $id = $this->value('SELECT id FROM products WHERE name_key = ?', [self::nameKey($name)]);
        return $id === false ? null : (int) $id;
    }

    private function lockWriters(): void
    {
        $this->run("UPDATE kit_counters SET value = value WHERE name = 'products'");
    }

    /**
     * Runs $work in a transaction of its own, unless the caller holds one already (seeding many
     * products at once). A unique-key clash (a code drawn twice, a name added concurrently) rolls
     * back and tries again.
     */
    private function write(Closure $work): mixed
    {
        if ($this->db->inTransaction()) {
            return $work();
        }
        for ($attempt = 1; ; ++$attempt) {
            $this->db->beginTransaction();
            try {
                $result = $work();
                $this->db->commit();
                return $result;
            } catch (PDOException $e) {
                $this->db->rollBack();
                if ($e->getCode() !== '23000' || $attempt >= self::ATTEMPTS) {
                    throw $e;
                }
            } catch (Throwable $e) {
                $this->db->rollBack();
                throw $e;
            }
        }
    }

    private function one(string $sql, array $params): ?array
    {
        $statement = $this->run($sql, $params);
        $row = $statement->fetch(PDO::FETCH_ASSOC);
        $statement->closeCursor();
        return $row === false ? null : $row;
    }

    // Cursors are closed at once: an open SQLite statement would keep other writers out.
    private function value(string $sql, array $params = []): mixed
    {
        $statement = $this->run($sql, $params);
        $value = $statement->fetchColumn();
        $statement->closeCursor();
        return $value;
    }

    private function run(string $sql, array $params = []): PDOStatement
    {
        $statement = $this->statements[$sql] ??= $this->db->prepare($sql);
        $statement->execute($params);
        return $statement;
    }
}
