<?php
declare(strict_types=1);

use PHPUnit\Framework\TestCase;
use Vantrel\Kit\SendWith;
use Vantrel\Kit\SiteGuards;
use Vantrel\Kit\ThanksDesk;

require_once __DIR__ . '/ShopFixture.php';

/**
 * The kit where buyers and strangers meet it: under `php -S` with its router, or on the run's real
 * server (VANTREL_TEST_SERVER): Apache with the kit's .htaccess files, Apache with
 * hosting/apache.conf, nginx with hosting/nginx.conf.
 * @group http
 */
final class HostingTest extends TestCase
{
    private const CHECK_SITE = __DIR__ . '/../hosting/check-site.php';

    private ShopFixture $shop;

    protected function tearDown(): void
    {
        $this->shop->kit->close();
    }

    public function testNoPrivateFileOrFolderIsServedInAnyLetterCase(): void
    {
        $this->shop = new ShopFixture([], ['book.zip' => 'PK book', 'Bonus.ZIP' => 'PK bonus', 'extra.Zip' => 'PK extra']);
        $kit = $this->shop->kit;
        // A seller may upload the kit's tests and hosting files by mistake.
        mkdir($kit->kitDir . '/tests');
        foreach (['.htaccess', SiteGuards::INDEX_FILE, 'phpunit.xml'] as $name) {
            copy(__DIR__ . '/' . $name, $kit->kitDir . '/tests/' . $name);
        }
        mkdir($kit->kitDir . '/hosting');
        foreach (scandir(dirname(self::CHECK_SITE)) as $name) {
            is_file(dirname(self::CHECK_SITE) . '/' . $name) && copy(dirname(self::CHECK_SITE) . '/' . $name, $kit->kitDir . '/hosting/' . $name);
        }
        // A thanks page's pictures and style sheets live in the kit's folder and below assets/; in
        // a product folder, whatever its name, they are the seller's files and never served.
        $thanksPageFiles = ['/logo.png' => random_bytes(2000), '/assets/site.css' => 'body { margin: 0 }',
                            '/assets/img/Photo.JPG' => random_bytes(3000)];
        $productPictures = ['/ebook1/cover.png', '/ebook1/style.css', '/courses/data/cover.jpg', '/courses/data/Look.CSS'];
        foreach ([...$thanksPageFiles, ...array_fill_keys($productPictures, 'a product picture')] as $path => $bytes) {
            is_dir(dirname($kit->kitDir . $path)) || mkdir(dirname($kit->kitDir . $path), 0777, true);
            file_put_contents($kit->kitDir . $path, $bytes);
        }
        $kit->serve();
        // The first requests make the database file, the canaries and the index pages.
        $this->assertCount(3, $this->shop->httpLinks());
        $databases = array_map(static fn (string $name): string => '/data/' . $name,
            preg_grep('/sqlite/', scandir($kit->kitDir . '/data')));
        $this->assertCount(KitFixture::usesMysql() ? 0 : 1, $databases);

        $paths = ['/config.php', '/CONFIG.PHP', '/kit-settings.php', '/router.php', '/README.md', '/.gitignore',
                  '/.htaccess', '/data/.htaccess', '/lib/Kit.php', '/lib/autoload.php', '/lib/', '/data/',
                  '/data/' . SiteGuards::INDEX_FILE, ...$databases, '/tests/phpunit.xml', '/tests/', '/hosting/',
                  '/hosting/check-site.php', '/hosting/nginx.conf', '/', '/ebook1', '/ebook1/', '/ebook1/book.zip',
                  '/ebook1/Bonus.ZIP', '/ebook1/extra.Zip', ...array_map(static fn (string $c): string => '/' . $c, SiteGuards::CANARIES),
                  '/%63onfig.php', '/ebook1/%2e%2e/config.php', '/../site/config.php', '/ebook1/../.htaccess',
                  ...$productPictures, '/ebook1/../ebook1/cover.png', '/assets/../ebook1/style.css', '/courses/data/'];
        // The canaries the kit lays stand for what check-site.php must find refused.
        $paths = [...$paths, ...array_map(static fn (string $name): string => '/' . $name,
            [...SiteGuards::OTHER_CANARIES, ...SiteGuards::backups(), SiteGuards::CANARY_FOLDER . '/', SiteGuards::CANARY_PICTURE])];
        foreach ($paths as $path) {
            $reply = $kit->request('GET', $path);
            $this->assertContains($reply->status, [403, 404], $path);
            foreach ([ShopFixture::SECRET, 'PK', 'SQLite format', 'sSecretKey', 'Require all denied', 'Index of',
                      '<phpunit', 'class ', 'location', 'a product picture'] as $leak) {
                $this->assertStringNotContainsString($leak, $reply->body, $path);
            }
        }
        foreach ($thanksPageFiles as $path => $bytes) {
            $reply = $kit->request('GET', $path);
            $this->assertSame([200, true], [$reply->status, $bytes === $reply->body], $path);
        }
    }

    public function testPublicScriptsRunOnlyUnderTheirOwnNames(): void
    {
        $this->shop = new ShopFixture();
        $kit = $this->shop->kit;
        $kit->serve();
        [$download] = $this->shop->httpLinks();
        $query = '?' . http_build_query($this->shop->thanksLink);
        // Relative links of "thanks.php/anything" lead here; none of them may count as a wrong try.
        for ($i = 0; $i <= ThanksDesk::DEFAULT_WRONG_TRIES; ++$i) {
            $this->assertContains($kit->request('GET', '/thanks.php/download.php' . strstr($download, '?'))->status, [403, 404]);
        }
        foreach (['/thanks.php/x' . $query, '/download.php/x' . strstr($download, '?'), '/actions.php/x'] as $path) {
            $this->assertSame(404, $kit->request('GET', $path)->status, $path);
        }
        $delete = $kit->request('POST', '/actions.php/x', ConsoleForm::action('2', ['deleteids' => 'all']), ConsoleForm::contentType());
        $this->assertSame([404, 404], [$delete->status, $kit->request('GET', '/download.php/x' . strstr($download, '?'))->status]);
        $this->assertStringContainsString('"Ebook"', $kit->action('3')->body);
        $this->assertSame(200, $kit->request('GET', '/thanks.php' . $query)->status);
    }

    public function testCheckSiteFindsNothingExposed(): void
    {
        $this->shop = new ShopFixture();
        $kit = $this->shop->kit;
        // A backup of the seller's own under a canary's name stays as it is, and counts as the canary.
        $backup = "<?php\r\n  \$sSecretKey=\"an older key\";\r\n?>\r\n";
        file_put_contents($kit->kitDir . '/config.php.bak', $backup);
        $kit->serve();
        $this->assertSame([0, ['nothing exposed']], self::checkSite($kit->url()));
        $report = $kit->request('GET', '/download.php?check=canaries');
        $this->assertSame([200, 'text/plain', implode('', array_map(static fn (string $line): string => $line . "\n", [
            ...array_map(static fn (string $name): string => 'archive ' . $name, [...SiteGuards::CANARIES, SiteGuards::CANARY_PICTURE]),
            'archive check-site-canary/', ...array_map(static fn (string $name): string => 'site ' . $name, SiteGuards::backups())]))],
            [$report->status, $report->headers['content-type'] ?? '', $report->body]);
        $this->assertSame($backup, file_get_contents($kit->kitDir . '/config.php.bak'));
        $this->assertSame(SiteGuards::backupText('config.php~'), file_get_contents($kit->kitDir . '/config.php~'));
        [$status, $help] = self::checkSite('--help');
        $this->assertSame([0, 'Usage: php check-site.php SITE_URL [ARCHIVE_URL]'], [$status, $help[0]]);

        // With a hand-over set, the kit proves it to check-site; php -S takes none over, and says so.
        $url = $kit->url();
        $offload = $kit->realServer?->offload();
        $kit->writeSettings(['send_with' => ($offload ?? SendWith::XSendfile)->value]);
        $this->assertSame($offload === null ? [2, ["cannot verify hand-over: {$url}/download.php?proof=start: the kit refuses"
                                                   . " send_with on this server (see the server's error log)"]] : [0, ['nothing exposed']],
            self::checkSite($url));
        $proofs = $kit->kit()->db()->query("SELECT COUNT(*) FROM kit_counters WHERE name LIKE 'handover-%'")->fetchColumn();
        $this->assertSame($offload === null ? 0 : 1, (int) $proofs);

        // An archive root the web server cannot write holds no canary: nothing shows, and nothing is
        // proven. A real server's workers are www-data, kept out of a folder of root's; php -S runs
        // as the tests' user, so there the folder is not there at all.
        $locked = sys_get_temp_dir() . '/vantrel-locked-' . bin2hex(random_bytes(6));
        if ($kit->realServer !== null && posix_getuid() === 0) {
            mkdir($locked, 0755);
        }
        try {
            $kit->writeSettings(['archive_root' => $locked]);
            $why = ': the kit could not lay this canary: the web server could not write it into the archive root';
            $this->assertSame([2, ["cannot verify listing: {$url}/check-site-canary/{$why}",
                                   "cannot verify picture: {$url}/check-site-canary/check-site-canary.png{$why}",
                                   ...array_map(static fn (string $canary): string => "cannot verify archive: {$url}/{$canary}{$why}",
                                                SiteGuards::CANARIES)]],
                self::checkSite($url));
        } finally {
            is_dir($locked) && rmdir($locked);
        }
    }

    /** @dataProvider productFolders */
    public function testAHandOverIsUsedOnlyOnceProvenAndWhatTheServerCannotDoCountsNothing(string $folder): void
    {
        $bytes = random_bytes(300 * 1024 + 7);
        // Each byte a path can hold that the hand-over must escape and the server unescape.
        $name = "Tom's b\xC3\xBCch 100%.zip";
        $server = KitFixture::sharedServer();
        $offload = $server?->offload() ?? SendWith::XSendfile;
        $this->shop = new ShopFixture(['sMaxDownloads' => 2], [$name => $bytes], $folder, ['send_with' => $offload->value]);
        $kit = $this->shop->kit;
        $kit->kit()->db()->prepare('UPDATE products SET folder = ?')->execute([$folder]);
        $kit->serve();
        $page = $kit->request('GET', '/thanks.php?' . http_build_query($this->shop->thanksLink));
        $this->assertSame((string) strlen($page->body), $page->headers['content-length'] ?? 'none');
        [$target] = $this->shop->httpLinks();
        $attachment = "attachment; filename=\"Tom's b_ch 100%.zip\"; filename*=UTF-8''Tom%27s%20b%C3%BCch%20100%25.zip";

        if ($server === null) {
            // PHP's own server takes nothing over: it cannot prove, and refuses rather than count.
            $this->assertSame(500, $kit->request('GET', '/download.php?proof=start')->status);
            $this->assertCannotDeliver($kit->request('GET', $target));
            $kit->writeSettings(['send_with' => 'php']);
            $this->assertArchive($bytes, $attachment, $kit->request('GET', $target));
            return;
        }
        // Until the server has been seen to send an archive it was handed, PHP sends it.
        $this->assertSame(200, $kit->request('HEAD', $target)->status);
        $unproven = $kit->request('GET', $target);
        $this->assertArchive($bytes, $attachment, $unproven);
        $this->assertSame((string) strlen($bytes), $unproven->headers['content-length'] ?? '');
        $this->assertStringContainsString("send_with '{$offload->value}' has not been proven", $server->logs());
        $this->assertSame(409, $kit->request('GET', '/download.php?proof=' . str_repeat('0', 64))->status);
        $canary = $kit->request('GET', '/download.php?proof=start');
        $this->assertSame([200, 16406], [$canary->status, strlen($canary->body)]);
        $this->assertSame([200, 'proven'], [($proof = $kit->request('GET', '/download.php?proof=' . hash('sha256', $canary->body)))->status, $proof->body]);

        $proofs = $kit->kit()->db()->query("SELECT COUNT(*) FROM kit_counters WHERE name LIKE 'handover-%'")->fetchColumn();
        $this->assertSame('1', (string) $proofs, 'the proof is recorded');
        $handed = $kit->request('GET', $target);
        $this->assertArchive($bytes, $attachment, $handed);
        // A resume goes to the server, which answers the range itself; the delivery counted once.
        $resumed = $kit->request('GET', $target, '', null, ['Range: bytes=1000-', 'If-Range: ' . ($handed->headers['etag'] ?? '')]);
        $this->assertSame([206, 'bytes 1000-' . (strlen($bytes) - 1) . '/' . strlen($bytes)], [$resumed->status, $resumed->headers['content-range'] ?? '']);
        $this->assertTrue(substr($bytes, 1000) === $resumed->body, 'the resumed bytes differ');
        $this->assertStringContainsString('maximum number of downloads', $kit->request('GET', $target)->body);

        // A hand-over this server plainly cannot perform is refused before it counts.
        $wrong = $offload === SendWith::XSendfile ? SendWith::XAccelRedirect : SendWith::XSendfile;
        $kit->writeSettings(['send_with' => $wrong->value]);
        [$fresh] = $this->shop->httpLinks();
        $this->assertCannotDeliver($kit->request('GET', $fresh));
        $this->assertStringContainsString("send_with '{$wrong->value}' needs", $server->logs());
        $kit->writeSettings(['send_with' => 'php']);
        $this->assertArchive($bytes, $attachment, $kit->request('GET', $fresh));
    }

    private function assertArchive(string $bytes, string $attachment, HttpReply $reply): void
    {
        $this->assertSame([200, 'application/zip', $attachment, 'no-store', 'nosniff'],
            [$reply->status, $reply->headers['content-type'] ?? '', $reply->headers['content-disposition'] ?? '',
             $reply->headers['cache-control'] ?? '', $reply->headers['x-content-type-options'] ?? '']);
        $this->assertTrue($bytes === $reply->body, 'the body differs from the archive');
        $this->assertStringNotContainsString(dirname($this->shop->kit->kitDir), implode("\n", $reply->headers));
    }

    private function assertCannotDeliver(HttpReply $reply): void
    {
        $this->assertSame(500, $reply->status);
        $this->assertArrayNotHasKey('content-disposition', $reply->headers);
        $this->assertStringContainsString('Nothing was counted', $reply->body);
        $this->assertStringNotContainsString(dirname($this->shop->kit->kitDir), implode("\n", $reply->headers) . $reply->body);
    }

    /** A product folder may be named like one of the kit's own folders, one level down. */
    public function productFolders(): array
    {
        return ['a folder of its own' => ['ebook1'], 'a folder named data' => ['courses/data']];
    }

    /** @return array{int, list<string>} check-site.php's exit status and output lines */
    public static function checkSite(string ...$arguments): array
    {
        exec(implode(' ', array_map('escapeshellarg', [PHP_BINARY, self::CHECK_SITE, ...$arguments])) . ' 2>&1', $lines, $status);
        return [$status, $lines];
    }
}
