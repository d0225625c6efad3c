<?php
declare(strict_types=1);

use PHPUnit\Framework\TestCase;
use Vantrel\Kit\ArchiveReply;
use Vantrel\Kit\ThanksDesk;

require_once __DIR__ . '/ShopFixture.php';

final class ThanksPageTest extends TestCase
{
    private ShopFixture $shop;

    protected function tearDown(): void
    {
        $this->shop->kit->close();
    }

    /** Archives and look-alikes: only the two ".zip" regular files of the folder itself count. */
    private function openShop(string $folder = 'ebook1', array $settings = []): string
    {
        $this->shop = new ShopFixture([], ['a&b <1>.zip' => 'PK one', 'book.ZIP' => 'PK two', 'notes.txt' => 'x',
            '.hidden.zip' => 'x', 'sub.zip/inner.zip' => 'x'], $folder, $settings);
        $kitDir = $this->shop->kit->kitDir;
        file_put_contents(dirname($kitDir) . '/outside.zip', 'secret');
        symlink(dirname($kitDir) . '/outside.zip', $kitDir . '/' . $folder . '/out.zip');
        return $kitDir;
    }

    public function testSellerPageGetsOneEscapedLinkPerArchive(): void
    {
        $kitDir = $this->openShop();
        file_put_contents($kitDir . '/thanks.html', "<html><body><h1>Thanks</h1>{DOWNLOAD_LINKS}<p>Bye</p></body></html>\n");
        $page = $this->shop->visit();
        $this->assertSame(200, $page->status);
        $token = ShopFixture::links($page)[0]['t'];
        $this->assertSame("<html><body><h1>Thanks</h1><ul class=\"downloads\">\n"
            . "<li><a href=\"download.php?t={$token}&amp;f=a%26b%20%3C1%3E.zip\">a&amp;b &lt;1&gt;.zip</a></li>\n"
            . "<li><a href=\"download.php?t={$token}&amp;f=book.ZIP\">book.ZIP</a></li>\n"
            . "</ul><p>Bye</p></body></html>\n", $page->body);

        file_put_contents($kitDir . '/thanks.html', "<p>Thanks</p></BODY>");
        $this->assertMatchesRegularExpression('#^<p>Thanks</p><ul class="downloads">.*</ul>\n</BODY>$#s',
            $this->shop->visit()->body);
        unlink($kitDir . '/thanks.html');
        $this->assertStringContainsString('Your download of Ebook is ready', $this->shop->visit()->body);
    }

    public function testNothingOutsideTheFoldersIsShownOrServed(): void
    {
        $kitDir = $this->openShop('archives/ebook1', ['archive_root' => 'archives']);
        [$link] = ShopFixture::links($this->shop->visit());
        $this->assertInstanceOf(ArchiveReply::class, $this->shop->download($link));
        foreach (['out.zip', '../ebook1/book.ZIP', 'sub.zip/inner.zip', '.hidden.zip', '/etc/passwd.zip'] as $name) {
            $this->assertSame(404, $this->shop->download(['f' => $name] + $link)->status, $name);
        }
        $db = $this->shop->kit->kit()->db();
        file_put_contents(dirname($kitDir) . '/leak.html', 'LEAK {DOWNLOAD_LINKS}');
        symlink(dirname($kitDir), $kitDir . '/archives/up');
        foreach (['../archives/ebook1', '/' . $kitDir . '/archives/ebook1', 'up', '.', ''] as $folder) {
            $db->prepare('UPDATE products SET folder = ?, thanks_page = ?')->execute([$folder, '../leak.html']);
            $body = $this->shop->visit()->body;
            $this->assertStringContainsString('No download is available', $body, $folder);
            $this->assertStringNotContainsString('LEAK', $body);
            $this->assertSame(404, $this->shop->download($link)->status, $folder);
        }
    }

    public function testWrongTriesCountPerIpv6NetworkAndEndWithTheirWindow(): void
    {
        $this->shop = new ShopFixture();
        $wrong = ['sk' => str_repeat('0', 32)] + $this->shop->thanksLink;
        // Every address of a /64 is one subscriber's.
        for ($i = 1; $i <= ThanksDesk::DEFAULT_WRONG_TRIES; ++$i) {
            $this->assertSame(403, $this->shop->visit($i % 2 ? $wrong : ['id' => 'NOSUCHCODE'], "2001:db8:0:7::{$i}")->status);
        }
        $refused = $this->shop->visit($wrong, '2001:db8:0:7:ffff::1');
        $this->assertSame([429, '900'], [$refused->status, $refused->headers['Retry-After']]);
        $this->assertSame(403, $this->shop->visit($wrong, '2001:db8:0:8::1')->status);
        $this->shop->clock->advance(ThanksDesk::DEFAULT_BLOCK_MINUTES * 60);
        $this->assertSame(403, $this->shop->visit($wrong, '2001:db8:0:7::1')->status);
    }
}
