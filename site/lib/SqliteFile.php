<?php
declare(strict_types=1);

namespace Vantrel\Kit;

use RuntimeException;

/**
 * The SQLite database's file in the data folder. Its name is drawn at random on the first request,
 * so that a web server that does not refuse the data folder still cannot hand it out to anyone who
 * has not learnt the name. The data folder gets the kit's index page, so that it is not listed.
 */
final class SqliteFile
{
    private const NAME = '/^kit-[0-9a-f]{32}\.sqlite$/D';
    // Earlier kits used this one name, which anyone can guess.
    private const GUESSABLE_NAME = 'site.sqlite';
    private const JOURNALS = ['-journal', '-wal'];

    public static function in(string $dataDir): string
    {
        $name = self::find($dataDir);
        if ($name !== null) {
            return $dataDir . '/' . $name;
        }
        if (!is_dir($dataDir) && !mkdir($dataDir, 0770, true) && !is_dir($dataDir)) {
            throw new RuntimeException('cannot create the data folder');
        }
        // The folder's index page is the lock too: two first requests at once agree on one name.
        $lock = fopen($dataDir . '/' . SiteGuards::INDEX_FILE, 'c+');
        if ($lock === false || !flock($lock, LOCK_EX)) {
            throw new RuntimeException('cannot lock the data folder');
        }
        try {
            if (fstat($lock)['size'] === 0) {
                fwrite($lock, SiteGuards::INDEX_PAGE);
            }
            $name = self::find($dataDir) ?? self::claim($dataDir);
        } finally {
            flock($lock, LOCK_UN);
            fclose($lock);
        }
        return $dataDir . '/' . $name;
    }

    private static function find(string $dataDir): ?string
    {
        $names = is_dir($dataDir) ? preg_grep(self::NAME, scandir($dataDir) ?: []) : [];
        sort($names, SORT_STRING);
        return $names[0] ?? null;
    }

    private static function claim(string $dataDir): string
    {
        $name = 'kit-' . bin2hex(random_bytes(16)) . '.sqlite';
        $guessable = $dataDir . '/' . self::GUESSABLE_NAME;
        if (is_file($guessable)) {
            // A journal beside it means a write is under way: the file keeps its name until a
            // later request finds it at rest.
            foreach (self::JOURNALS as $journal) {
                if (file_exists($guessable . $journal)) {
                    return self::GUESSABLE_NAME;
                }
            }
            if (!rename($guessable, $dataDir . '/' . $name)) {
                throw new RuntimeException('cannot rename the database file');
            }
            return $name;
        }
        $file = fopen($dataDir . '/' . $name, 'x');
        if ($file === false) {
            throw new RuntimeException('cannot create the database file');
        }
        fclose($file);
        return $name;
    }
}
