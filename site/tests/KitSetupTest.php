<?php
declare(strict_types=1);

use PHPUnit\Framework\TestCase;
use Vantrel\Kit\AddressAllowlist;
use Vantrel\Kit\Database;
use Vantrel\Kit\KitSettings;
use Vantrel\Kit\Schema;
use Vantrel\Kit\SendWith;
use Vantrel\Kit\SiteConfig;
use Vantrel\Kit\SiteGuards;
use Vantrel\Kit\SqliteFile;
use Vantrel\Kit\ThanksKey;

/** What the kit takes from the seller's files: config.php as the console writes it, kit-settings.php. */
final class KitSetupTest extends TestCase
{
    public function testConfigValuesAreTheBytesTheConsoleWroteBetweenTheQuotes(): void
    {
        // The console escapes a quote, a "$" and a backslash; a lone backslash written by hand stays.
        $text = "<?php\r\n  \$hostname=\"localhost:/run/mysqld/mysqld.sock\";\r\n  \$database=\"shop\";\r\n"
              . "  \$username=\"sel\\ler\";\r\n  \$password=\"" . 'p\"w\$x\\\\\";y' . "\xe9\";\r\n  \$sExpireTimeout=\"-5\";\r\n"
              . "  \$sMaxDownloads=\"3\";\r\n  \$sMaxIPs=\"abc\";\r\n  \$sSecretKey=\" s k \";\r\n?>\r\n";
        $config = SiteConfig::parse($text);
        $this->assertSame(
            ['localhost:/run/mysqld/mysqld.sock', 'shop', 'sel\\ler', 'p"w$x\\";y' . "\xe9", -5, 3, 0, ' s k '],
            [$config->hostname, $config->database, $config->username, $config->password,
             $config->expireHours, $config->maxDownloads, $config->maxIps, $config->secretKey],
        );
        $this->assertSame(['host' => 'localhost', 'unix_socket' => '/run/mysqld/mysqld.sock'],
                          Database::mysqlTarget($config->hostname));
        $this->assertSame(['host' => 'db.example', 'port' => '3307'], Database::mysqlTarget('db.example:3307'));
        $this->assertSame(['host' => '::1', 'port' => '3307'], Database::mysqlTarget('[::1]:3307'));

        $missing = SiteConfig::load('/nonexistent/config.php');
        $this->assertSame(['', '', 0], [$missing->hostname, $missing->secretKey, $missing->maxDownloads]);
        $this->assertSame('', ThanksKey::compute('', 'ABCDEFGHIJ'));
        $this->assertFalse(ThanksKey::matches('', 'ABCDEFGHIJ', ''));
    }

    public function testAllowlistMatchesAddressesAndNetworksOfBothFamilies(): void
    {
        $default = AddressAllowlist::fromList(KitSettings::fromArray('/kit', [])->actionsAllow);
        $seller = AddressAllowlist::fromList(['203.0.113.7', '192.168.0.0/23', '2001:db8::/33', 'bogus', '10.0.0.0/40']);
        $cases = [
            [$default, '127.0.0.1', true], [$default, '::1', true], [$default, '::ffff:127.0.0.1', true],
            [$default, '127.0.0.2', false], [$default, '', false], [$default, '127.0.0.1, 10.1.1.1', false],
            [$seller, '203.0.113.7', true], [$seller, '203.0.113.8', false],
            [$seller, '192.168.1.255', true], [$seller, '192.168.2.0', false],
            [$seller, '2001:db8:7fff::1', true], [$seller, '2001:db8:8000::1', false],
            [$seller, '10.0.0.1', false], [$seller, '127.0.0.1', false],
        ];
        foreach ($cases as [$list, $address, $allowed]) {
            $this->assertSame($allowed, $list->allows($address), $address);
        }
    }

    public function testSettingsResolveFoldersFromTheKitFolder(): void
    {
        $defaults = KitSettings::fromArray('/srv/kit', []);
        $this->assertSame(['/srv/kit', '/srv/kit/data'], [$defaults->archiveRoot, $defaults->dataDir]);
        $set = KitSettings::fromArray('/srv/kit', ['archive_root' => '../files/', 'data_dir' => '/var/kit', 'x' => 7]);
        $this->assertSame(['/srv/kit/../files', '/var/kit', 7, null], [$set->archiveRoot, $set->dataDir, $set->get('x'), $set->get('y')]);
        $this->assertSame([SendWith::Php, SendWith::XAccelRedirect],
            [$defaults->sendWith(), KitSettings::fromArray('/srv/kit', ['send_with' => 'x-accel-redirect'])->sendWith()]);
        // A mistyped value stops the downloads, where the seller looks, and loads for everything else.
        $this->expectExceptionMessage("'send_with' in kit-settings.php must be");
        KitSettings::fromArray('/srv/kit', ['send_with' => 'x-sendfil'])->sendWith();
    }

    public function testAPersistentConnectionOnlyWhereTheSellerAsksForIt(): void
    {
        if (!KitFixture::usesMysql()) {
            $this->markTestSkipped('only MySQL connects: SQLite opens a file');
        }
        $kit = new KitFixture();
        try {
            $config = SiteConfig::load($kit->kitDir . '/config.php');
            foreach ([[[], false], [['db_persistent' => true], true], [['db_persistent' => 'yes'], false]] as [$settings, $persistent]) {
                $db = Database::open($config, KitSettings::fromArray($kit->kitDir, $settings));
                $this->assertSame($persistent, $db->getAttribute(PDO::ATTR_PERSISTENT), var_export($settings, true));
            }
        } finally {
            $kit->close();
        }
    }

    public function testDatabaseFileGetsAnUnguessableNameOnceAndTheOldGuessableOneIsRenamed(): void
    {
        $root = sys_get_temp_dir() . '/vantrel-data-' . bin2hex(random_bytes(6));
        mkdir($root . '/old', 0777, true);
        file_put_contents($root . '/old/site.sqlite', 'earlier kit');
        try {
            $renamed = SqliteFile::in($root . '/old');
            $this->assertMatchesRegularExpression('#/old/kit-[0-9a-f]{32}\.sqlite$#', $renamed);
            $this->assertSame(['earlier kit', false], [file_get_contents($renamed), file_exists($root . '/old/site.sqlite')]);
            $this->assertSame($renamed, SqliteFile::in($root . '/old'));
            $this->assertSame(SiteGuards::INDEX_PAGE, file_get_contents($root . '/old/' . SiteGuards::INDEX_FILE));

            $made = SqliteFile::in($root . '/new');
            $this->assertSame([0, $made], [filesize($made), SqliteFile::in($root . '/new')]);
            $this->assertNotSame(basename($renamed), basename($made));

            // A guessable file in the middle of a write keeps its name until it is at rest.
            mkdir($root . '/busy');
            touch($root . '/busy/site.sqlite');
            touch($root . '/busy/site.sqlite-journal');
            $this->assertSame($root . '/busy/site.sqlite', SqliteFile::in($root . '/busy'));
        } finally {
            exec('rm -rf ' . escapeshellarg($root));
        }
    }

    public function testAnEarlierKitsDatabaseGetsWhatItLacksAndKeepsItsRows(): void
    {
        $db = new PDO('sqlite::memory:', null, null, [PDO::ATTR_ERRMODE => PDO::ERRMODE_EXCEPTION]);
        $db->exec('CREATE TABLE kit_counters (name TEXT NOT NULL PRIMARY KEY, value INTEGER NOT NULL)');
        $db->exec("INSERT INTO kit_counters (name, value) VALUES ('products', 7)");
        Schema::create($db);
        $this->assertSame(['download_deliveries', 'download_ticket_addresses', 'download_tickets', 'kit_counters', 'products', 'thanks_wrong_tries'],
            $db->query("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")->fetchAll(PDO::FETCH_COLUMN));
        $this->assertSame('7', (string) $db->query("SELECT value FROM kit_counters WHERE name = 'products'")->fetchColumn());

        // A kit of the first schema: its tickets have no client network yet.
        $db->exec('DROP TABLE download_tickets');
        $db->exec('CREATE TABLE download_tickets (token TEXT NOT NULL PRIMARY KEY, product_code TEXT NOT NULL,'
            . ' thanks_key TEXT NOT NULL, created INTEGER NOT NULL, downloads INTEGER NOT NULL)');
        $db->exec("INSERT INTO download_tickets VALUES ('t', 'CODE', 'key', 5, 1)");
        $db->exec("UPDATE kit_counters SET value = 1 WHERE name = 'schema'");
        Schema::create($db);
        Schema::create($db);
        $this->assertSame([['t', 'CODE', 'key', '5', '1', '']],
            array_map(static fn (array $row): array => array_map('strval', $row), $db->query('SELECT * FROM download_tickets')->fetchAll(PDO::FETCH_NUM)));
    }

    public function testTheKitRunsBesideClassesOfItsNamesLoadedBeforeIt(): void
    {
        // A host's own code, or another script of the site, may have loaded such classes first.
        $kit = new KitFixture();
        try {
            $script = 'final class Kit {} final class Database {} final class Request {} final class Html {}'
                . ' $_SERVER["REMOTE_ADDR"] = "127.0.0.1"; $_SERVER["REQUEST_METHOD"] = "POST";'
                . ' $_POST = ["action" => "1", "end" => ""]; require $argv[1] . "/actions.php";';
            exec(implode(' ', array_map('escapeshellarg', [PHP_BINARY, '-r', $script, $kit->kitDir])) . ' 2>&1', $output);
            $this->assertSame(['OK'], $output);
        } finally {
            $kit->close();
        }
    }
}
