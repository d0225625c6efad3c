<?php
declare(strict_types=1);

use PHPUnit\Framework\TestCase;
use Vantrel\Kit\ArchiveReply;
use Vantrel\Kit\PageReply;
use Vantrel\Kit\ThanksKey;
use Vantrel\Kit\TicketStore;

require_once __DIR__ . '/ShopFixture.php';

final class DownloadTicketTest extends TestCase
{
    private ShopFixture $shop;

    protected function tearDown(): void
    {
        $this->shop->kit->close();
    }

    private function assertServed(PageReply|ArchiveReply $reply): void
    {
        $this->assertInstanceOf(ArchiveReply::class, $reply, $reply instanceof PageReply ? $reply->body : '');
    }

    private function assertRefused(int $status, string $sentence, PageReply|ArchiveReply $reply): void
    {
        $this->assertInstanceOf(PageReply::class, $reply);
        $this->assertSame($status, $reply->status);
        $this->assertStringContainsString($sentence, $reply->body);
    }

    public function testAddressLimitLetsKnownNetworksOnUntilTheDownloadLimit(): void
    {
        $this->shop = new ShopFixture(['sMaxDownloads' => 3, 'sMaxIPs' => 1]);
        [$link] = ShopFixture::links($this->shop->visit());
        $this->assertServed($this->shop->download($link, '2001:db8:0:7::1'));
        $this->assertRefused(403, 'maximum number of IP addresses', $this->shop->download($link, '198.51.100.1'));
        // The refused address counted no download, and a privacy address of the same /64 is no new one.
        $this->assertServed($this->shop->download($link, '2001:db8:0:7:a1b2:c3d4:e5f6:1'));
        $this->assertServed($this->shop->download($link, '2001:db8:0:7::1'));
        $this->assertRefused(403, 'maximum number of downloads', $this->shop->download($link, '2001:db8:0:7::1'));
    }

    public function testAtTheCapTheVisitGetsTheLiveTicketWithMostLeftAndNeverASpentOne(): void
    {
        $this->shop = new ShopFixture(['sMaxDownloads' => 2, 'sMaxIPs' => 1, 'sExpireTimeout' => 24]);
        $tokens = [];
        for ($i = 0; $i < TicketStore::LIVE_PER_CLIENT; ++$i) {
            $this->shop->clock->advance(60);
            [$tokens[$i]] = ShopFixture::links($this->shop->visit());
        }
        // Newest first: spent, one left, used from another network, two left, spent.
        foreach ([[4, 2, '198.51.100.1'], [3, 1, '198.51.100.1'], [2, 1, '203.0.113.9'], [0, 2, '198.51.100.1']] as [$i, $times, $from]) {
            for ($n = 0; $n < $times; ++$n) {
                $this->assertServed($this->shop->download($tokens[$i], $from));
            }
        }
        $page = $this->shop->visit();
        $this->assertSame([$tokens[1]], ShopFixture::links($page));
        $this->assertStringContainsString('<p class="allowance">Downloads left: 2. New addresses they may be used from: 1.</p>', $page->body);
        $this->assertServed($this->shop->download($tokens[1]));
        $this->assertSame([$tokens[3]], ShopFixture::links($this->shop->visit()));
        $this->assertServed($this->shop->download($tokens[3]));
        $this->assertServed($this->shop->download($tokens[1]));

        // All used up: no link that would fail, and the time the oldest ticket makes way.
        $usedUp = $this->shop->visit();
        $this->assertSame([], ShopFixture::links($usedUp));
        $this->assertStringContainsString('Your downloads of this product are used up. New download links can be had from '
            . gmdate('j F Y, H:i', $this->shop->clock->now() - 4 * 60 + 24 * 3600) . ' UTC', $usedUp->body);
        $this->shop->clock->advance(24 * 3600 - 4 * 60);
        $this->assertNotContains(ShopFixture::links($this->shop->visit())[0], $tokens);
    }

    public function testLinkLivesItsHoursAndNegativeLimitsAreOff(): void
    {
        $this->shop = new ShopFixture(['sExpireTimeout' => 2, 'sMaxDownloads' => -1, 'sMaxIPs' => -3]);
        [$link] = ShopFixture::links($this->shop->visit());
        $this->shop->clock->advance(2 * 3600 - 1);
        foreach (['198.51.100.1', '198.51.100.2', '198.51.100.3'] as $address) {
            $this->assertServed($this->shop->download($link, $address));
        }
        $this->shop->clock->advance(1);
        $this->assertRefused(403, 'has expired', $this->shop->download($link));
        // A new visit is a new ticket with the whole lifetime.
        $this->assertServed($this->shop->download(ShopFixture::links($this->shop->visit())[0]));
    }

    public function testNewSecretKeyEndsOldLinksAndTheirTicketsAndNoKeyEndsAll(): void
    {
        $this->shop = new ShopFixture();
        [$ticket] = ShopFixture::links($this->shop->visit());
        $this->shop->kit->writeConfig(['sSecretKey' => 'second secret key']);
        $this->assertRefused(403, 'link is not valid', $this->shop->visit());
        $this->assertRefused(403, 'link is not valid', $this->shop->download($ticket));
        $code = $this->shop->thanksLink['id'];
        $this->assertSame(200, $this->shop->visit(['id' => $code, 'sk' => ThanksKey::compute('second secret key', $code)])->status);

        $this->shop->kit->writeConfig([]);
        $this->assertRefused(503, 'secret key is not set', $this->shop->visit(['id' => $code, 'sk' => '']));
        $this->assertRefused(503, 'secret key is not set', $this->shop->download($ticket));
    }

    public function testParallelRequestsNeverPassTheLastDownload(): void
    {
        $this->shop = new ShopFixture(['sMaxDownloads' => 1]);
        [$link] = ShopFixture::links($this->shop->visit());
        $go = $this->shop->kit->kitDir . '/go';
        // Every process opens its connection, then waits for the same start signal.
        $script = 'require $argv[1] . "/lib/autoload.php"; $db = Vantrel\Kit\Kit::fromDir($argv[1])->db();'
            . ' for ($i = 0; $i < 5000 && !is_file($argv[3]); ++$i) usleep(1000);'
            . ' echo (new Vantrel\Kit\TicketStore($db))->deliver($argv[2], "book.zip", "192.0.2.1", null, 7, new Vantrel\Kit\TicketLimits(0, 1, 0), 1_800_000_000) ?? "served";';
        $runs = [];
        for ($i = 0; $i < 8; ++$i) {
            $process = proc_open([PHP_BINARY, '-r', $script, $this->shop->kit->kitDir, $link['t'], $go],
                [1 => ['pipe', 'w'], 2 => ['pipe', 'w']], $pipes);
            $runs[] = [$process, $pipes];
        }
        touch($go);
        $answers = [];
        foreach ($runs as [$process, $pipes]) {
            $answers[] = stream_get_contents($pipes[1]) . stream_get_contents($pipes[2]);
            proc_close($process);
        }
        sort($answers);
        $this->assertSame([...array_fill(0, 7, 'downloads'), 'served'], $answers);
    }
}
