<?php
declare(strict_types=1);

use PHPUnit\Framework\TestCase;

require_once __DIR__ . '/ShopFixture.php';

/** @group http */
final class DownloadHttpTest extends TestCase
{
    private ShopFixture $shop;

    protected function tearDown(): void
    {
        $this->shop->kit->close();
    }

    public function testArchiveArrivesWithItsHeadersAndExactBytes(): void
    {
        // Larger than one piece of the sender, so that the pieces must join up exactly.
        $bytes = random_bytes(700 * 1024 + 3);
        $name = "Tom's \"best\" b\xC3\xBCch.zip";
        $this->shop = new ShopFixture(['sMaxDownloads' => 1], [$name => $bytes]);
        // A kit upgraded over an earlier one's database, which keeps no deliveries yet.
        $db = $this->shop->kit->kit()->db();
        $db->exec('DROP TABLE download_deliveries');
        $db->exec("UPDATE kit_counters SET value = 2 WHERE name = 'schema'");
        $this->shop->kit->serve();
        // A site URL ending in "/" gives the buyer a link with "//thanks.php".
        $page = $this->shop->kit->request('GET', '//thanks.php?' . http_build_query($this->shop->thanksLink));
        $this->assertSame(200, $page->status);
        preg_match('/<a href="(download\.php\?[^"]*)">/', $page->body, $link);
        $target = '//' . html_entity_decode($link[1]);

        $reply = $this->shop->kit->request('GET', $target);
        $this->assertSame([200, 'application/zip', (string) strlen($bytes), 'bytes'], [$reply->status,
            $reply->headers['content-type'] ?? '', $reply->headers['content-length'] ?? '', $reply->headers['accept-ranges'] ?? '']);
        $this->assertSame("attachment; filename=\"Tom's _best_ b_ch.zip\"; filename*=UTF-8''Tom%27s%20%22best%22%20b%C3%BCch.zip",
            $reply->headers['content-disposition']);
        $this->assertTrue($bytes === $reply->body, 'the body differs from the archive');

        $refused = $this->shop->kit->request('GET', $target);
        $this->assertSame(403, $refused->status);
        $this->assertStringContainsString('maximum number of downloads', $refused->body);
        $this->assertSame(405, $this->shop->kit->request('POST', $target)->status);
    }

    public function testResumedSplitAndCheckedDownloadsCountOncePerDelivery(): void
    {
        $size = 512 * 1024 + 11;
        $bytes = random_bytes($size);
        $this->shop = new ShopFixture(['sMaxDownloads' => 3], ['book.zip' => $bytes]);
        $kit = $this->shop->kit;
        $kit->serve($kit->realServer === null ? ['PHP_CLI_SERVER_WORKERS' => '4'] : []);
        [$target] = $this->shop->httpLinks();
        $get = fn (string ...$headers): HttpReply => $kit->request('GET', $target, '', null, $headers);

        $head = $kit->request('HEAD', $target);
        $this->assertSame([200, (string) $size, ''], [$head->status, $head->headers['content-length'] ?? '', $head->body]);
        $whole = $get();
        $this->assertTrue($whole->status === 200 && $bytes === $whole->body, 'the first download differs');
        [$etag, $date] = [$whole->headers['etag'] ?? '', $whole->headers['last-modified'] ?? ''];
        $this->assertMatchesRegularExpression('/^"[0-9a-f]+-[0-9a-f]+"$/', $etag, 'a strong ETag');
        $this->assertSame(1, $this->downloads($target));

        // A cut download resumed as browsers do, and requests that only check: none counts.
        $cut = 200_000;
        $this->assertPart($cut, $size - 1, $bytes, $get("Range: bytes={$cut}-", "If-Range: {$etag}"));
        $this->assertPart(0, 99, $bytes, $get('Range: bytes=0-99', "If-Range: {$date}"));
        $this->assertPart($size - 10, $size - 1, $bytes, $get('Range: bytes=-10'));
        $stale = $get('Range: bytes=0-99', 'If-Range: W/' . $etag);
        $this->assertTrue($stale->status === 200 && $bytes === $stale->body, 'a weak If-Range gets the whole archive');
        $this->assertSame([304, ''], [$get("If-None-Match: {$etag}")->status, $get("If-None-Match: {$etag}")->body]);
        $pastEnd = $get("Range: bytes={$size}-");
        $this->assertSame([416, "bytes */{$size}"], [$pastEnd->status, $pastEnd->headers['content-range'] ?? '']);
        $this->assertSame(1, $this->downloads($target));

        // A download manager's first requests, all at once from another address: one download.
        $pieces = 8;
        $step = intdiv($size + $pieces - 1, $pieces);
        $ranges = array_map(static fn (int $i): array => ['Range: bytes=' . ($i * $step) . '-' . min($size, ($i + 1) * $step) - 1],
            range(0, $pieces - 1));
        $parts = $kit->requestsAtOnce(array_fill(0, $pieces, $target), '127.0.0.2', $ranges);
        $this->assertSame(array_fill(0, $pieces, 206), array_map(static fn (HttpReply $r): int => $r->status, $parts));
        $this->assertTrue($bytes === implode('', array_map(static fn (HttpReply $r): string => $r->body, $parts)), 'reassembled');
        $this->assertSame(2, $this->downloads($target));

        // Whole downloads count each time, and at once never pass the last one allowed.
        $statuses = array_map(static fn (HttpReply $r): int => $r->status, $kit->requestsAtOnce(array_fill(0, 4, $target)));
        sort($statuses);
        $this->assertSame([200, 403, 403, 403], $statuses);
        $this->assertSame(3, $this->downloads($target));
        // The last delivery goes on though the limit is reached, until it has sent three copies.
        $this->assertPart(100, 199, $bytes, $get('Range: bytes=100-199'));
        $this->assertSame([206, 206], [$get('Range: bytes=0-')->status, $get('Range: bytes=0-')->status]);
        $this->assertStringContainsString('maximum number of downloads', $get('Range: bytes=0-')->body);
        $this->assertSame(403, $kit->request('GET', $target, '', null, ['Range: bytes=0-'], '127.0.0.3')->status);
        $this->assertSame(3, $this->downloads($target));
    }

    private function assertPart(int $first, int $last, string $bytes, HttpReply $reply): void
    {
        $this->assertSame([206, 'bytes ' . $first . '-' . $last . '/' . strlen($bytes), (string) ($last - $first + 1)],
            [$reply->status, $reply->headers['content-range'] ?? '', $reply->headers['content-length'] ?? '']);
        $this->assertTrue(substr($bytes, $first, $last - $first + 1) === $reply->body, "bytes {$first}-{$last} differ");
    }

    private function downloads(string $target): int
    {
        parse_str((string) parse_url($target, PHP_URL_QUERY), $query);
        $count = $this->shop->kit->kit()->db()->prepare('SELECT downloads FROM download_tickets WHERE token = ?');
        $count->execute([$query['t']]);
        return (int) $count->fetchColumn();
    }
}
