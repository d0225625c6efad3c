<?php
declare(strict_types=1);

use PHPUnit\Framework\TestCase;
use Vantrel\Kit\SiteGuards;

require_once __DIR__ . '/ShopFixture.php';
require_once __DIR__ . '/HostingTest.php';

/**
 * check-site.php against Apache as Debian sets up /var/www for a seller who skipped the kit's
 * rules: .htaccess files ignored, no apache.conf, folder listings on.
 */
final class MisconfiguredApacheTest extends TestCase
{
    public function testCheckSiteNamesEveryExposedKindAndFails(): void
    {
        $shop = new ShopFixture();
        $server = null;
        try {
            $server = RealServer::start('apache-bare', $shop->kit->kitDir);
            [$status, $lines] = HostingTest::checkSite($server->url());
            // The index pages the kit made keep every folder from being listed; the rest shows.
            $this->assertSame([1, [...(KitFixture::usesMysql() ? [] : ['database']), 'config.php', 'kit-settings.php',
                                   'lib/', 'archive', 'archive', 'archive']],
                [$status, array_map(static fn (string $line): string => strstr($line, ':', true), $lines)], implode("\n", $lines));
            foreach (SiteGuards::CANARIES as $canary) {
                $this->assertContains('archive: ' . $server->url('/' . $canary)
                    . " downloads without a ticket: so do the products' archives", $lines);
            }
        } finally {
            $server?->stop();
            $shop->kit->close();
        }
    }
}
