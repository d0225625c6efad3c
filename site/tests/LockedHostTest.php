<?php
declare(strict_types=1);

use PHPUnit\Framework\TestCase;

require_once __DIR__ . '/ShopFixture.php';

/**
 * The kit on hosts that lock PHP's settings where the seller cannot change them, recreated with
 * `php -S -d`: an archive goes out whole, or is refused before it counts; no warning shows the
 * server's paths; the console reads the replies it expects.
 */
final class LockedHostTest extends TestCase
{
    public static function lockedHosts(): array
    {
        return [
            'compression the kit can drop' => [['zlib.output_compression' => '1', 'disable_functions' => 'ini_set'], true],
            'compression that stays' => [['zlib.output_compression' => '1', 'disable_functions' => 'ob_end_clean,ini_set'], false],
            'a time limit the kit lifts' => [['max_execution_time' => '1'], true],
            'a locked time limit far beyond the archive' => [['max_execution_time' => '5', 'disable_functions' => 'set_time_limit,ini_set'], true],
            'a locked time limit too short' => [['max_execution_time' => '1', 'disable_functions' => 'set_time_limit,ini_set'], false],
            'the sending loop disabled' => [['disable_functions' => 'flush'], false],
        ];
    }

    /** @dataProvider lockedHosts */
    public function testArchiveGoesOutWholeOrIsRefusedBeforeItCounts(array $ini, bool $deliverable): void
    {
        $bytes = random_bytes(600 * 1024);
        $shop = new ShopFixture(['sMaxDownloads' => 1], ['book.zip' => $bytes]);
        try {
            $shop->kit->serve([], $ini);
            // The console's server check works on every such host.
            $this->assertSame('OK', $shop->kit->action('1')->body);
            [$target] = $shop->httpLinks();
            $reply = $shop->kit->request('GET', $target, '', null, ['Accept-Encoding: gzip']);
            if ($deliverable) {
                $this->assertSame([200, (string) strlen($bytes), 'none'], [$reply->status, $reply->headers['content-length'] ?? '',
                    $reply->headers['content-encoding'] ?? 'none']);
                $this->assertTrue($bytes === $reply->body, 'the body differs from the archive');
                $this->assertSame(403, $shop->kit->request('GET', $target)->status, 'the download was not counted');
                return;
            }
            $this->assertSame(500, $reply->status);
            $this->assertArrayNotHasKey('content-disposition', $reply->headers);
            // The same link on a host that can send it: the refused try took none of the one download.
            $shop->kit->serve();
            $this->assertSame(200, $shop->kit->request('GET', $target)->status);
        } finally {
            $shop->kit->close();
        }
    }

    public static function hostsThatShowErrors(): array
    {
        $shown = ['display_errors' => '1', 'output_buffering' => '0'];
        return ['display_errors on' => [$shown], 'display_errors on for good' => [$shown + ['disable_functions' => 'ini_set']]];
    }

    /** @dataProvider hostsThatShowErrors */
    public function testWarningsGoToTheLogNeverIntoPages(array $ini): void
    {
        $shop = new ShopFixture();
        $kit = $shop->kit;
        try {
            // An archive root outside the web space, beyond the host's open_basedir: every look at
            // it warns, with both folders' paths.
            $kit->writeSettings(['archive_root' => dirname($kit->kitDir) . '/archives']);
            $log = dirname($kit->kitDir) . '/php.log';
            $kit->serve([], $ini + ['open_basedir' => $kit->kitDir, 'error_log' => $log]);
            $this->assertSame('OK', $kit->action('1')->body);
            $page = $kit->request('GET', '/thanks.php?' . http_build_query($shop->thanksLink));
            $this->assertSame(200, $page->status);
            $this->assertStringNotContainsString(dirname($kit->kitDir), $page->body);
            $this->assertStringContainsString('is_file(): open_basedir restriction in effect', (string) @file_get_contents($log));
        } finally {
            $kit->close();
        }
    }

    public function testFailingActionsAnswerOneBad(): void
    {
        $shop = new ShopFixture();
        $kit = $shop->kit;
        try {
            // PHP's usual memory limit, and an output buffer the kit cannot drop.
            $kit->serve([], ['memory_limit' => '128M', 'output_buffering' => '4096', 'disable_functions' => 'ob_end_clean']);
            $overlong = $kit->action('2', ['deleteids' => str_repeat('1,', 3_900_000) . '1']);
            $this->assertSame([200, 'BAD'], [$overlong->status, $overlong->body]);
            $this->assertStringContainsString('"Ebook"', $kit->action('3')->body);

            $kit->kit()->db()->exec('DROP TABLE products');
            $this->assertSame([500, 'BAD'], [$kit->action('3')->status, $kit->action('3')->body]);
        } finally {
            $kit->close();
        }
    }
}
