<?php
declare(strict_types=1);

use PHPUnit\Framework\TestCase;

require_once __DIR__ . '/ShopFixture.php';

/**
 * thanks.php and download.php over HTTP, under `php -S` or the run's real server, as buyers and
 * strangers reach them from their own addresses (127.0.0.2 and up).
 * @group http
 */
final class ThanksHttpTest extends TestCase
{
    private ShopFixture $shop;

    protected function tearDown(): void
    {
        $this->shop->kit->close();
    }

    public function testASecretKeyShorterThan16CharactersIssuesNoDownloads(): void
    {
        $this->shop = new ShopFixture();
        $kit = $this->shop->kit;
        $kit->serve();
        [$download] = $this->shop->httpLinks();
        $short = substr(ShopFixture::SECRET, 0, 15);
        $kit->writeConfig(['sSecretKey' => $short]);
        $code = $this->shop->thanksLink['id'];
        $thanks = $this->visit('/thanks.php?' . http_build_query(['id' => $code,
            'sk' => substr(hash_hmac('sha256', $code, $short), 0, 32)]), '127.0.0.2');
        $this->assertSame([503, 503], [$thanks->status, $kit->request('GET', $download)->status]);
        $this->assertStringContainsString('no downloads', $thanks->body);
        $kit->writeConfig(['sSecretKey' => ShopFixture::SECRET]);
        $this->assertSame(200, $kit->request('GET', $download)->status);
    }

    private function visit(string $target, string $from): HttpReply
    {
        return $this->shop->kit->request('GET', $target, '', null, [], $from);
    }
}
