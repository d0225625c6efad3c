<?php
declare(strict_types=1);

use PHPUnit\Framework\TestCase;

// The demo publisher under `php -S`, run from the project root as scripts/run runs it, asked the
// way the console asks: multipart posts with the console's boundary, replies read byte for byte.
final class PublisherTest extends TestCase
{
    private const BOUNDARY = '--------120926064512345';

    /** @var resource|null */
    private $server = null;
    /** @var array<int, resource> */
    private array $pipes = [];
    private int $port = 0;

    protected function tearDown(): void
    {
        $this->stopServer();
    }

    public function testNewsOfTheDemoTierByteForByte(): void
    {
        $this->startServer([]);
        self::assertSame("3^Version 2.01 is out\xAFOK", $this->news('/news/getlastnews.php', 'conttype', 'lastcode'));
        // A news base URL that ends in "/" posts to "//news/...".
        self::assertSame(
            "3^Version 2.01 is out^2026-11-20\xAF2^Selling bundles^2026-10-02\xAF"
            . "1^Welcome to the member news^2026-09-01\xAFOK",
            $this->news('//news/getlastnews.php', 'conttype', 'all')
        );
        $text = $this->news('/news/getnewsdetails.php', 'newsid', '1');
        self::assertStringEndsWith("</p>\xAFOK", $text);
        self::assertStringContainsString('Caf$E9 cr$E8me', $text);
        self::assertMatchesRegularExpression('/\A[\x20-\x7E]*\z/', substr($text, 0, -3));
        self::assertStringContainsString('at $2419 sells', $this->news('/news/getnewsdetails.php', 'newsid', '2'));
        self::assertSame('INVALIDNEWS', $this->news('/news/getnewsdetails.php', 'newsid', ' 1'));

        self::assertSame('INVALIDUSER', $this->news('/news/getlastnews.php', 'conttype', 'all', 'Demo'));
        self::assertSame('INVALIDPRODUCT', $this->news('/news/getnewsdetails.php', 'newsid', '1', 'demo', 'BG'));
        self::assertSame('', $this->news('/news/getlastnews.php', 'conttype', 'something else'));
    }

    public function testUpdateDescriptionOffersTheVersionItWasGiven(): void
    {
        $target = '/liveupdate/vantrel_oskel/mainappupdate.inf';
        $this->startServer([]);
        self::assertSame([200, "[APPLICATION]\r\nName=Vantrel Oskel\r\nVersion=2.01\r\n"], $this->get($target));
        $this->stopServer();
        $this->startServer(['VANTREL_DEMO_UPDATE_VERSION' => '2.5']);
        self::assertSame([200, "[APPLICATION]\r\nName=Vantrel Oskel\r\nVersion=2.5\r\n"], $this->get($target));
    }

    public function testServesNothingOfTheProject(): void
    {
        $this->startServer([]);
        foreach (['/README.md', '/tools/demo-publisher/router.php', '/tools/demo-publisher/NewsScripts.php',
                  '/getlastnews.php', '/liveupdate/vantrel_oskel/'] as $target) {
            self::assertSame([404, 'Not found'], $this->get($target), $target);
        }
    }

    /** @param array<string, string> $env */
    private function startServer(array $env): void
    {
        $root = dirname(__DIR__, 2);
        $this->server = proc_open(
            [PHP_BINARY, '-S', '127.0.0.1:0', 'tools/demo-publisher/router.php'],
            [0 => ['file', '/dev/null', 'r'], 1 => ['file', '/dev/null', 'w'], 2 => ['pipe', 'w']],
            $this->pipes,
            $root,
            $env + getenv()
        );
        self::assertIsResource($this->server);
        $log = '';
        $deadline = microtime(true) + 10;
        while (!preg_match('/Development Server \(http:\/\/127\.0\.0\.1:(\d+)\) started/', $log, $m)) {
            $read = [$this->pipes[2]];
            $write = $except = null;
            self::assertLessThan($deadline, microtime(true), "php -S did not start: $log");
            if (stream_select($read, $write, $except, 1) > 0) {
                $chunk = fread($this->pipes[2], 4096);
                self::assertNotFalse($chunk);
                self::assertNotSame('', $chunk, "php -S ended: $log");
                $log .= $chunk;
            }
        }
        // The pipe's buffer takes the request lines that the server logs for these few exchanges.
        $this->port = (int) $m[1];
    }

    private function stopServer(): void
    {
        if ($this->server !== null) {
            proc_terminate($this->server);
            proc_close($this->server);
            $this->server = null;
        }
    }

    private function news(string $target, string $fourth, string $value, string $user = 'demo', string $tier = 'BM'): string
    {
        $fields = ['memusername' => $user, 'prodcode' => 'VANTREL-DEMO', 'prodtype' => $tier,
                   $fourth => $value, 'newstarget' => 'UA', 'something' => ''];
        $body = '';
        foreach ($fields as $name => $fieldValue) {
            $body .= '--' . self::BOUNDARY . "\r\nContent-Disposition: form-data; name=\"$name\"\r\n\r\n$fieldValue\r\n";
        }
        $body .= "\r\n--" . self::BOUNDARY . "--\r\n";
        [$status, $reply] = $this->exchange("POST $target HTTP/1.0\r\nContent-Type: multipart/form-data; boundary="
            . self::BOUNDARY . "\r\nContent-Length: " . strlen($body) . "\r\nHost: 127.0.0.1\r\n\r\n" . $body);
        self::assertSame(200, $status);
        return $reply;
    }

    /** @return array{0: int, 1: string} */
    private function get(string $target): array
    {
        return $this->exchange("GET $target HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    }

    /** @return array{0: int, 1: string} status and body */
    private function exchange(string $request): array
    {
        $socket = stream_socket_client("tcp://127.0.0.1:{$this->port}", $errno, $error, 10);
        self::assertNotFalse($socket, $error);
        stream_set_timeout($socket, 10);
        fwrite($socket, $request);
        $data = stream_get_contents($socket);
        fclose($socket);
        $split = strpos($data, "\r\n\r\n");
        self::assertNotFalse($split, $data);
        self::assertMatchesRegularExpression('/^Content-Type: text\/(plain|html)\r$/m', substr($data, 0, $split));
        return [(int) explode(' ', $data, 3)[1], substr($data, $split + 4)];
    }
}
