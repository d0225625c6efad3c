<?php
declare(strict_types=1);

use PHPUnit\Framework\TestCase;
use Vantrel\Kit\SiteGuards;

require_once __DIR__ . '/ShopFixture.php';
require_once __DIR__ . '/HostingTest.php';

/**
 * check-site.php against servers as Debian sets them up for a seller who skipped the kit's rules:
 * Apache for /var/www (.htaccess files ignored, no apache.conf, folder listings on), nginx's
 * default site with PHP switched on; and a correctly set up Apache behind a proxy on the same
 * machine that adds no forwarding header. Lines that could not be verified are compared whole,
 * with {url} for the site URL.
 */
final class MisconfiguredApacheTest extends TestCase
{
    private const BACKUPS = ['backup', 'backup', 'backup', 'backup', 'backup', 'backup',
                             'backup', 'backup', 'backup', 'backup', 'backup', 'backup'];
    private const ARCHIVES = ['archive', 'archive', 'archive', 'archive', 'archive', 'archive', 'archive', 'archive'];

    public static function servers(): array
    {
        $database = KitFixture::usesMysql() ? [] : ['database'];
        $runs = [...$database, 'config.php', 'kit-settings.php', 'lib/'];
        // mod_xsendfile is loaded there but not switched on: the hand-over header goes out, the file does not.
        $notDelivered = 'cannot verify hand-over: {url}/download.php?proof=' . hash('sha256', '')
            . ': the web server did not deliver the archive it was handed with send_with; the kit goes on sending with PHP';
        return [
            // The index pages the kit made keep its own folders from being listed; the rest shows.
            'Apache for /var/www' => ['apache-bare', false, ['send_with' => 'x-sendfile'],
                [...$runs, ...self::BACKUPS, 'listing', 'picture', ...self::ARCHIVES], [$notDelivered]],
            // Every static file goes out, dot files too; nothing is listed.
            'nginx default site' => ['nginx-bare', false, [],
                [...$runs, '.htaccess', '.htaccess', ...self::BACKUPS, 'picture', ...self::ARCHIVES], []],
            'Apache behind a proxy that adds no header' => ['apache', true, [], ['actions.php'], []],
        ];
    }

    /** @dataProvider servers */
    public function testCheckSiteNamesEveryExposedKindAndFails(string $kind, bool $proxied, array $settings, array $kinds,
                                                               array $unverified): void
    {
        $shop = new ShopFixture([], ['book.zip' => 'PK book'], 'ebook1', $settings);
        $server = null;
        $proxy = null;
        try {
            $server = RealServer::start($kind, $shop->kit->kitDir);
            $proxy = $proxied ? RealServer::proxy($server->port, false) : null;
            $url = $proxy === null ? $server->url() : 'http://127.0.0.1:' . $proxy->port . $server->urlPath;
            [$status, $lines] = HostingTest::checkSite($url);
            $exposed = array_values(preg_grep('/^cannot verify /', $lines, PREG_GREP_INVERT));
            $this->assertSame([1, $kinds, str_replace('{url}', $url, $unverified)],
                [$status, array_map(static fn (string $line): string => strstr($line, ':', true), $exposed),
                 array_values(preg_grep('/^cannot verify /', $lines))], implode("\n", $lines));
            if ($proxied) {
                $this->assertSame(["actions.php: {$url}/actions.php answers strangers: a proxy on the server passes their"
                    . " requests on as the server's own (see README)"], $exposed);
            } else {
                $this->assertContains("backup: {$url}/config.php~ is served as text: so would be a real backup of config.php,"
                    . ' with everything in it', $lines);
                foreach (SiteGuards::CANARIES as $canary) {
                    $this->assertContains("archive: {$url}/{$canary} downloads without a ticket: so do the products' archives", $lines);
                }
            }
        } finally {
            $proxy?->stop();
            $server?->stop();
            $shop->kit->close();
        }
    }
}
