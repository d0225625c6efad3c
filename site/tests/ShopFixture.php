<?php
declare(strict_types=1);

use Vantrel\Kit\ArchiveReply;
use Vantrel\Kit\DownloadDesk;
use Vantrel\Kit\PageReply;
use Vantrel\Kit\ProductStore;
use Vantrel\Kit\ThanksDesk;
use Vantrel\Kit\ThanksKey;

/**
 * A kit with one product, "Ebook" in folder ebook1 with the given archives, and its thanks link;
 * the thanks and download scripts are answered in-process with a clock the test moves.
 */
final class ShopFixture
{
    public const SECRET = 'first secret key';

    public readonly KitFixture $kit;
    public readonly TestClock $clock;
    /** @var array{id: string, sk: string} */
    public readonly array $thanksLink;

    /** @param array<string, string> $archives file name (below $folder of the kit) => bytes */
    public function __construct(array $config = [], array $archives = ['book.zip' => 'PK book'],
                                string $folder = 'ebook1', array $settings = [])
    {
        $this->kit = new KitFixture($config + ['sSecretKey' => self::SECRET], $settings);
        $this->clock = new TestClock();
        foreach ($archives as $name => $bytes) {
            $file = $this->kit->kitDir . '/' . $folder . '/' . $name;
            is_dir(dirname($file)) || mkdir(dirname($file), 0777, true);
            file_put_contents($file, $bytes);
        }
        $store = new ProductStore($this->kit->kit()->db());
        $code = $store->find($store->add('Ebook', 'ebook1', 'thanks.html'))['code'];
        $this->thanksLink = ['id' => $code, 'sk' => ThanksKey::compute(self::SECRET, $code)];
    }

    public function visit(?array $query = null, string $address = '198.51.100.1'): PageReply
    {
        return ThanksDesk::forKit($this->kit->kit($this->clock))->answer($query ?? $this->thanksLink, $address);
    }

    public function download(array $query, string $address = '198.51.100.1'): PageReply|ArchiveReply
    {
        return DownloadDesk::forKit($this->kit->kit($this->clock))->answer($query, $address);
    }

    /** Opens the thanks page over HTTP. @return list<string> the targets of its download links */
    public function httpLinks(): array
    {
        $page = $this->kit->request('GET', '/thanks.php?' . http_build_query($this->thanksLink));
        preg_match_all('/<a href="(download\.php\?[^"]*)">/', $page->body, $matches);
        return array_map(static fn (string $href): string => '/' . html_entity_decode($href), $matches[1]);
    }

    /** @return list<array{t: string, f: string}> the download queries of a page's links, in order */
    public static function links(PageReply $page): array
    {
        preg_match_all('/<a href="download\.php\?([^"]*)">/', $page->body, $matches);
        return array_map(static function (string $href): array {
            parse_str(html_entity_decode($href), $query);
            return $query;
        }, $matches[1]);
    }
}
