<?php
declare(strict_types=1);

use PHPUnit\Framework\TestCase;

require_once __DIR__ . '/ShopFixture.php';
require_once __DIR__ . '/HeadlessChromium.php';
require_once __DIR__ . '/CuttingProxy.php';

/**
 * Where buyers meet the kit: headless Chromium opens the thanks page and follows the archive's
 * link, the connection drops a third of the way through the download, and the browser resumes it
 * by itself, as it does for a network failure when the reply allows it.
 * @group browser
 */
final class BrowserDownloadTest extends TestCase
{
    private const ARCHIVE = "Caf\u{e9} \u{dc}ber \u{fc}.zip";
    private const WAIT_SECONDS = 60;

    private ?ShopFixture $shop = null;
    private ?CuttingProxy $proxy = null;
    private ?HeadlessChromium $browser = null;
    /** The test's own folder: the download folder and the proxy's log. */
    private string $dir = '';

    protected function setUp(): void
    {
        if (!is_executable(HeadlessChromium::BINARY)) {
            $this->markTestSkipped('no Chromium at ' . HeadlessChromium::BINARY . ' (Debian: apt install chromium)');
        }
    }

    protected function tearDown(): void
    {
        $this->browser?->stop();
        $this->proxy?->stop();
        $this->shop?->kit->close();
        if ($this->dir !== '') {
            exec('rm -rf ' . escapeshellarg($this->dir));
        }
    }

    public function testACutDownloadResumesToTheExactArchiveAndCountsOnce(): void
    {
        $bytes = random_bytes(6 * 1024 * 1024 + 12345);
        $this->shop = new ShopFixture(['sMaxDownloads' => 1], [self::ARCHIVE => $bytes], 'ebook1', ['send_with' => 'php']);
        $kit = $this->shop->kit;
        $kit->serve();
        $this->dir = sys_get_temp_dir() . '/vantrel-browser-' . bin2hex(random_bytes(6));
        $downloads = $this->dir . '/downloads';
        mkdir($downloads, 0700, true);
        $this->proxy = CuttingProxy::start($kit->port(), '/download.php?', $this->dir . '/proxy.log');
        $this->browser = HeadlessChromium::start();
        $devTools = $this->browser->devTools();
        $devTools->call('Browser.setDownloadBehavior', ['behavior' => 'allow', 'downloadPath' => $downloads, 'eventsEnabled' => true]);
        $targetId = $devTools->call('Target.createTarget', ['url' => 'about:blank'])['targetId'];
        $session = $devTools->call('Target.attachToTarget', ['targetId' => $targetId, 'flatten' => true])['sessionId'];
        $devTools->call('Page.enable', [], $session);

        $site = 'http://127.0.0.1:' . $this->proxy->port . ($kit->realServer?->urlPath ?? '');
        $deadline = microtime(true) + self::WAIT_SECONDS;
        $devTools->call('Page.navigate', ['url' => $site . '/thanks.php?' . http_build_query($this->shop->thanksLink)], $session);
        $this->waitFor($devTools, 'Page.loadEventFired', $deadline);
        $link = $devTools->call('Runtime.evaluate', ['returnByValue' => true, 'expression' =>
            "(() => { const a = document.querySelector('ul.downloads a'); a.click(); return [a.textContent, a.search]; })()"],
            $session)['result']['value'] ?? [];
        $this->assertSame(self::ARCHIVE, $link[0] ?? null, 'the link names the archive');
        parse_str(substr((string) ($link[1] ?? ''), 1), $query);

        $begun = $this->waitFor($devTools, 'Browser.downloadWillBegin', $deadline);
        $this->assertSame(self::ARCHIVE, $begun['suggestedFilename'] ?? null);
        $progress = $this->waitFor($devTools, 'Browser.downloadProgress', $deadline,
            static fn (array $progress): bool => ($progress['state'] ?? '') !== 'inProgress');
        $this->assertSame(['completed', strlen($bytes)], [$progress['state'] ?? '', $progress['receivedBytes'] ?? null],
            $this->report());

        $this->assertSame([self::ARCHIVE], array_values(array_diff(scandir($downloads), ['.', '..'])));
        $this->assertTrue($bytes === file_get_contents($downloads . '/' . self::ARCHIVE), 'the file differs from the archive');

        $archive = array_values(array_filter($this->proxy->exchanges(),
            static fn (array $exchange): bool => str_contains($exchange['target'] ?? '', '/download.php?')));
        $this->assertCount(2, $archive, $this->report());
        [$first, $resumed] = $archive;
        $this->assertSame([null, 200, intdiv(strlen($bytes), 3)], [$first['request']['range'] ?? null, $first['status'], $first['cut']]);
        // The browser asks for the rest of what it has, from the same archive or else all of it.
        $validator = $first['response']['etag'] ?? $first['response']['last-modified'] ?? 'none';
        $this->assertSame(['bytes=' . $first['cut'] . '-', $validator, 206],
            [$resumed['request']['range'] ?? '', $resumed['request']['if-range'] ?? '', $resumed['status']], $this->report());

        $count = $kit->kit()->db()->prepare('SELECT downloads FROM download_tickets WHERE token = ?');
        $count->execute([$query['t'] ?? '']);
        $this->assertSame([1], array_map('intval', $count->fetchAll(PDO::FETCH_COLUMN)));
    }

    /** @return array<string, mixed> the parameters of the next event named $method that $until accepts */
    private function waitFor(DevToolsClient $devTools, string $method, float $deadline, ?Closure $until = null): array
    {
        while (microtime(true) < $deadline && ($event = $devTools->nextEvent($deadline)) !== null) {
            if ($event['method'] === $method && ($until === null || $until($event['params'] ?? []))) {
                return $event['params'] ?? [];
            }
        }
        $this->fail("no {$method} within " . self::WAIT_SECONDS . " s\n" . $this->report());
    }

    /** What the proxy saw and what Chromium said, for a failure's message. */
    private function report(): string
    {
        $seen = '';
        foreach ($this->proxy?->exchanges() ?? [] as $exchange) {
            $seen .= json_encode(['target' => $exchange['target'] ?? '', 'status' => $exchange['status'], 'cut' => $exchange['cut']]
                + array_intersect_key($exchange['request'] ?? [], ['range' => 1, 'if-range' => 1])
                + array_intersect_key($exchange['response'], ['etag' => 1, 'last-modified' => 1, 'content-range' => 1]),
                JSON_UNESCAPED_SLASHES) . "\n";
        }
        // Chromium's complaints about the missing D-Bus say nothing about downloads.
        $said = array_slice(preg_grep('/dbus/', explode("\n", $this->browser?->log() ?? ''), PREG_GREP_INVERT), -40);
        return "The proxy saw:\n{$seen}Chromium said:\n" . implode("\n", $said);
    }
}
