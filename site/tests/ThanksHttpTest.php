<?php
declare(strict_types=1);

use PHPUnit\Framework\TestCase;
use Vantrel\Kit\ThanksDesk;
use Vantrel\Kit\TicketStore;

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

    public function testWrongLinksAtOncePassNoMoreThanTheLimitAndNeverHoldBackARightOne(): void
    {
        $this->shop = new ShopFixture();
        $kit = $this->shop->kit;
        $kit->serve($kit->realServer === null ? ['PHP_CLI_SERVER_WORKERS' => '4'] : []);
        $wrong = '/thanks.php?' . http_build_query(['sk' => str_repeat('0', 32)] + $this->shop->thanksLink);
        $statuses = array_count_values(array_map(static fn (HttpReply $reply): int => $reply->status,
            $kit->requestsAtOnce(array_fill(0, 100, $wrong), '127.0.0.2')));
        ksort($statuses);
        $this->assertSame([403 => ThanksDesk::DEFAULT_WRONG_TRIES, 429 => 100 - ThanksDesk::DEFAULT_WRONG_TRIES], $statuses);
        // Behind a proxy or a carrier's NAT, the buyers share the guesser's address.
        $this->assertSame(200, $this->visit($this->thanksTarget(), '127.0.0.2')->status);
        $this->assertSame(403, $this->visit($wrong, '127.0.0.3')->status);
    }

    public function testTicketsStayFewAndOldOnesGoWhenVisitsIssueMore(): void
    {
        $this->shop = new ShopFixture();
        $kit = $this->shop->kit;
        $kit->serve($kit->realServer === null ? ['PHP_CLI_SERVER_WORKERS' => '4'] : []);
        $db = $kit->kit()->db();
        $day = 24 * 3600;
        // Without a lifetime a ticket is kept 30 days, then goes with its addresses.
        $old = str_repeat('0', 32);
        $young = str_repeat('1', 32);
        foreach ([$old => 30 * $day, $young => 29 * $day] as $token => $age) {
            $db->prepare("INSERT INTO download_tickets (token, product_code, thanks_key, issued_to, created, downloads)"
                . " VALUES (?, ?, ?, '127.0.0.9', ?, 0)")->execute([$token, $this->shop->thanksLink['id'], $this->shop->thanksLink['sk'], time() - $age]);
            $db->prepare('INSERT INTO download_ticket_addresses (token, address) VALUES (?, ?)')->execute([$token, '127.0.0.9']);
        }
        $db->prepare('INSERT INTO thanks_wrong_tries (address, first_try, tries) VALUES (?, ?, 3)')
            ->execute(['127.0.0.8', time() - ThanksDesk::DEFAULT_BLOCK_MINUTES * 60]);

        $tokens = [];
        for ($i = 0; $i < TicketStore::LIVE_PER_CLIENT + 2; ++$i) {
            $tokens[] = $this->ticketOfVisit('127.0.0.2');
        }
        $issued = array_slice($tokens, 0, TicketStore::LIVE_PER_CLIENT);
        $this->assertCount(TicketStore::LIVE_PER_CLIENT, array_unique($issued));
        // From then on the newest live ticket comes back, for the same address only.
        $this->assertContains($tokens[TicketStore::LIVE_PER_CLIENT], $issued);
        $this->assertSame([$tokens[TicketStore::LIVE_PER_CLIENT]], array_unique(array_slice($tokens, TicketStore::LIVE_PER_CLIENT)));
        $this->assertNotContains($this->ticketOfVisit('127.0.0.3'), $tokens);

        $column = static fn (string $sql): array => $db->query($sql)->fetchAll(PDO::FETCH_COLUMN);
        $this->assertSame([(string) (TicketStore::LIVE_PER_CLIENT + 2), $young], [
            (string) $column('SELECT COUNT(*) FROM download_tickets')[0],
            ...$column("SELECT token FROM download_ticket_addresses WHERE token IN ('{$old}', '{$young}')")]);
        $this->assertSame([], $column('SELECT address FROM thanks_wrong_tries'));

        // Visits at once from one address take turns: together they stay under the cap.
        $kit->requestsAtOnce(array_fill(0, 20, $this->thanksTarget()), '127.0.0.4');
        $this->assertSame([(string) TicketStore::LIVE_PER_CLIENT],
            $column("SELECT COUNT(*) FROM download_tickets WHERE issued_to = '127.0.0.4'"));

        // With a lifetime, a ticket goes at its end.
        $this->shop->kit->writeConfig(['sSecretKey' => ShopFixture::SECRET, 'sExpireTimeout' => 24 * 29 - 1]);
        $this->ticketOfVisit('127.0.0.2');
        $this->assertSame([], $column("SELECT token FROM download_tickets WHERE token = '{$young}'"));
    }

    public function testPagesAndArchivesAreLabelledWithTheEncodingOfTheirBytes(): void
    {
        // The console sends names in the seller's code page; archives are named on the server.
        $this->shop = new ShopFixture([], ["b\xC3\xBCch.zip" => 'PK utf-8', "caf\xE9.zip" => 'PK cp1252',
            "Caf\xC3\xA9 \xC3\x9Cber \xC3\xBC.zip" => 'PK runs', 'back\\slash.zip' => 'PK never offered']);
        $kit = $this->shop->kit;
        $kit->kit()->db()->exec("UPDATE products SET name = 'Caf\xE9'");
        $sellerPage = "<!DOCTYPE html><html><head><meta charset=\"windows-1252\"></head><body>Caf\xE9 {DOWNLOAD_LINKS}</body></html>";
        file_put_contents($kit->kitDir . '/thanks.html', $sellerPage);
        $log = dirname($kit->kitDir) . '/php.log';
        $kit->serve([], $kit->realServer === null ? ['error_log' => $log] : []);

        $page = $this->visit($this->thanksTarget(), '127.0.0.2');
        $this->assertSame([200, 'text/html'], [$page->status, $page->headers['content-type'] ?? '']);
        $this->assertStringStartsWith("<!DOCTYPE html><html><head><meta charset=\"windows-1252\"></head><body>Caf\xE9 <ul", $page->body);
        $this->assertStringContainsString(">b&#252;ch.zip</a>", $page->body);
        $this->assertStringContainsString(">caf\xE9.zip</a>", $page->body);

        unlink($kit->kitDir . '/thanks.html');
        $builtIn = $this->visit($this->thanksTarget(), '127.0.0.2');
        $this->assertSame('text/html; charset=windows-1252', $builtIn->headers['content-type'] ?? '');
        $this->assertStringContainsString('<meta charset="windows-1252">', $builtIn->body);
        $this->assertStringContainsString("Your download of Caf\xE9 is ready", $builtIn->body);

        $dispositions = [];
        foreach ($this->shop->httpLinks() as $target) {
            $dispositions[] = $kit->request('GET', $target)->headers['content-disposition'] ?? '';
        }
        $this->assertSame(["attachment; filename=\"Caf_ _ber _.zip\"; filename*=UTF-8''Caf%C3%A9%20%C3%9Cber%20%C3%BC.zip",
                           "attachment; filename=\"b_ch.zip\"; filename*=UTF-8''b%C3%BCch.zip",
                           'attachment; filename="caf_.zip"'], $dispositions);
        // The one the kit would not offer is named where the seller can find out why.
        $this->assertStringContainsString('slash.zip" in product folder', $kit->realServer?->logs() ?? (string) file_get_contents($log));
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

    private function thanksTarget(): string
    {
        return '/thanks.php?' . http_build_query($this->shop->thanksLink);
    }

    private function visit(string $target, string $from): HttpReply
    {
        return $this->shop->kit->request('GET', $target, '', null, [], $from);
    }

    private function ticketOfVisit(string $from): string
    {
        $page = $this->visit($this->thanksTarget(), $from);
        $this->assertSame(1, preg_match('/download\.php\?t=([0-9a-f]{32})/', $page->body, $m), $page->body);
        return $m[1];
    }
}
