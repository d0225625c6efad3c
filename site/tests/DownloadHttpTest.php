<?php
declare(strict_types=1);

use PHPUnit\Framework\TestCase;

require_once __DIR__ . '/ShopFixture.php';

/** @group http */
final class DownloadHttpTest extends TestCase
{
    public function testArchiveArrivesWithItsHeadersAndExactBytes(): void
    {
        // Larger than one piece of the sender, so that the pieces must join up exactly.
        $bytes = random_bytes(700 * 1024 + 3);
        $name = "Tom's \"best\" b\xC3\xBCch.zip";
        $shop = new ShopFixture(['sMaxDownloads' => 1], [$name => $bytes]);
        try {
            $shop->kit->serve();
            // A site URL ending in "/" gives the buyer a link with "//thanks.php".
            $page = $shop->kit->request('GET', '//thanks.php?' . http_build_query($shop->thanksLink));
            $this->assertSame(200, $page->status);
            preg_match('/<a href="(download\.php\?[^"]*)">/', $page->body, $link);
            $target = '//' . html_entity_decode($link[1]);

            $reply = $shop->kit->request('GET', $target);
            $this->assertSame(200, $reply->status);
            $this->assertSame('application/zip', $reply->headers['content-type']);
            $this->assertSame((string) strlen($bytes), $reply->headers['content-length']);
            $this->assertSame("attachment; filename=\"Tom's _best_ b__ch.zip\"; filename*=UTF-8''Tom%27s%20%22best%22%20b%C3%BCch.zip",
                $reply->headers['content-disposition']);
            $this->assertTrue($bytes === $reply->body, 'the body differs from the archive');

            $refused = $shop->kit->request('GET', $target);
            $this->assertSame(403, $refused->status);
            $this->assertStringContainsString('maximum number of downloads', $refused->body);
            $this->assertSame(405, $shop->kit->request('HEAD', $target)->status);
        } finally {
            $shop->kit->close();
        }
    }
}
