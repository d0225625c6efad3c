<?php
declare(strict_types=1);

/**
 * A TCP proxy on 127.0.0.1 in front of a web server that drops the connection of the first
 * response to a request for $cutTarget a third of the way through its body, as a failing network
 * does, and passes everything else byte for byte. It runs as a child process, so that a browser's
 * download goes on while the test waits on DevTools, and ends when its parent does. What it sees
 * it writes to a log, one JSON object a line: each request's line and headers, each response's
 * status and headers, each cut. Requests go on with "Connection: close", so a connection carries
 * one exchange and the proxy never needs to find where a response ends.
 */
final class CuttingProxy
{
    private const MAX_LOG = 1024 * 1024;
    private const START_SECONDS = 10;

    /** @param resource $process */
    private function __construct(private $process, private readonly array $pipes, public readonly int $port,
                                 private readonly string $log)
    {
    }

    public static function start(int $upstreamPort, string $cutTarget, string $log): self
    {
        $process = proc_open([PHP_BINARY, __FILE__, (string) $upstreamPort, $cutTarget, $log],
            [0 => ['pipe', 'r'], 1 => ['pipe', 'w'], 2 => ['file', $log . '.stderr', 'a']], $pipes);
        if ($process === false) {
            throw new RuntimeException('cannot start the proxy');
        }
        // It names its port once it listens.
        $read = [$pipes[1]];
        $none = null;
        $line = stream_select($read, $none, $none, self::START_SECONDS) === 1 ? fgets($pipes[1], 16) : false;
        $proxy = new self($process, $pipes, (int) $line, $log);
        if (!is_string($line) || preg_match('/^[1-9][0-9]{0,4}\n$/', $line) !== 1) {
            $proxy->stop();
            throw new RuntimeException('the proxy did not start: ' . @file_get_contents($log . '.stderr', false, null, 0, 4000));
        }
        return $proxy;
    }

    public function stop(): void
    {
        if (is_resource($this->process)) {
            // The end of its input ends it.
            foreach ($this->pipes as $pipe) {
                fclose($pipe);
            }
            proc_close($this->process);
        }
    }

    /**
     * What went through, one exchange a row in the order the requests came.
     * @return list<array{target: string, request: array<string, string>, status: ?int,
     *                    response: array<string, string>, cut: ?int}> header names in lower case;
     *         cut: the body bytes passed before the connection was dropped
     */
    public function exchanges(): array
    {
        $exchanges = [];
        foreach (explode("\n", (string) file_get_contents($this->log, false, null, 0, self::MAX_LOG)) as $line) {
            $entry = json_decode($line, true, 4);
            if (!is_array($entry) || !is_int($entry['n'] ?? null)) {
                continue;
            }
            $exchanges[$entry['n']] = $entry + ($exchanges[$entry['n']] ?? []) + ['status' => null, 'response' => [], 'cut' => null];
        }
        ksort($exchanges);
        return array_values($exchanges);
    }

    /** The child's own work: serves until its input ends. */
    public static function run(int $upstreamPort, string $cutTarget, string $logFile): void
    {
        $server = stream_socket_server('tcp://127.0.0.1:0', $errno, $error);
        $log = fopen($logFile, 'ab');
        if ($server === false || $log === false) {
            throw new RuntimeException("cannot listen: {$error}");
        }
        $write = static fn (array $entry) => fwrite($log, json_encode($entry, JSON_INVALID_UTF8_SUBSTITUTE) . "\n");
        echo substr((string) strrchr(stream_socket_get_name($server, false), ':'), 1), "\n";
        $links = [];
        $count = 0;
        $cutting = true;
        while (true) {
            $read = [STDIN, $server];
            $ready = [];
            foreach ($links as $link) {
                $link->watch($read, $ready);
            }
            $none = null;
            if (stream_select($read, $ready, $none, null) === false) {
                return;
            }
            if (in_array(STDIN, $read, true) && fread(STDIN, 1024) === '' && feof(STDIN)) {
                return;
            }
            if (in_array($server, $read, true) && ($client = @stream_socket_accept($server, 0)) !== false) {
                $links[] = new ProxiedExchange($client, $count++);
            }
            foreach ($links as $i => $link) {
                $head = $link->pass($read, $ready);
                if ($head !== null) {
                    $target = explode(' ', $head[0] . '  ')[1];
                    $cut = $cutting && str_contains($target, $cutTarget);
                    $cutting = $cutting && !$cut;
                    $write(['n' => $link->number, 'target' => $target, 'request' => $head[1]]);
                    $link->connect($upstreamPort, $cut);
                }
                foreach ($link->news() as $entry) {
                    $write(['n' => $link->number] + $entry);
                }
                if ($link->finished()) {
                    $link->close();
                    unset($links[$i]);
                }
            }
        }
    }
}

/** One connection through CuttingProxy: the browser's side, the server's, and what waits for each. */
final class ProxiedExchange
{
    private const MAX_HEAD = 64 * 1024;
    private const MAX_PENDING = 1024 * 1024;
    private const BODY_WITHOUT_LENGTH = 1024 * 1024;

    /** @var resource|null */
    private $upstream = null;
    private string $requestHead = '';
    private ?string $responseHead = '';
    private string $toUpstream = '';
    private string $toClient = '';
    private bool $clientEnded = false;
    private bool $upstreamEnded = false;
    /** Body bytes still to pass before the cut; null: no cut. */
    private ?int $bodyLeft = null;
    private int $bodyPassed = 0;
    private bool $cuts = false;
    private bool $cut = false;
    /** A write failed: the other side is gone. */
    private bool $broken = false;
    private array $news = [];

    /** @param resource $client */
    public function __construct(private $client, public readonly int $number)
    {
        stream_set_blocking($this->client, false);
    }

    public function watch(array &$read, array &$write): void
    {
        if (!$this->clientEnded && strlen($this->toUpstream) < self::MAX_PENDING) {
            $read[] = $this->client;
        }
        if ($this->upstream !== null && !$this->upstreamEnded && !$this->cut && strlen($this->toClient) < self::MAX_PENDING) {
            $read[] = $this->upstream;
        }
        if ($this->upstream !== null && $this->toUpstream !== '') {
            $write[] = $this->upstream;
        }
        if ($this->toClient !== '') {
            $write[] = $this->client;
        }
    }

    /**
     * Moves what the sockets in $read and $write allow.
     * @return array{string, array<string, string>}|null the request's line and headers, once they are whole
     */
    public function pass(array $read, array $write): ?array
    {
        $head = null;
        if (in_array($this->client, $read, true)) {
            $bytes = (string) fread($this->client, 65536);
            $this->clientEnded = $bytes === '' && feof($this->client);
            if ($this->upstream !== null) {
                $this->toUpstream .= $bytes;
            } else {
                $this->requestHead .= $bytes;
                $head = $this->requestHeadIfWhole();
            }
        }
        if ($this->upstream !== null && in_array($this->upstream, $read, true)) {
            $bytes = (string) fread($this->upstream, 65536);
            $this->upstreamEnded = $bytes === '' && feof($this->upstream);
            $this->fromUpstream($bytes);
        }
        if ($this->upstream !== null && in_array($this->upstream, $write, true)) {
            $this->toUpstream = $this->written($this->upstream, $this->toUpstream);
        }
        if (in_array($this->client, $write, true)) {
            $this->toClient = $this->written($this->client, $this->toClient);
        }
        return $head;
    }

    public function connect(int $port, bool $cut): void
    {
        $upstream = stream_socket_client("tcp://127.0.0.1:{$port}", $errno, $error, 5);
        if ($upstream === false) {
            $this->clientEnded = true;
            $this->news[] = ['error' => "cannot reach the server: {$error}"];
            return;
        }
        stream_set_blocking($upstream, false);
        $this->upstream = $upstream;
        $this->cuts = $cut;
    }

    /** @return list<array<string, mixed>> what happened since the last call, for the log */
    public function news(): array
    {
        [$news, $this->news] = [$this->news, []];
        return $news;
    }

    public function finished(): bool
    {
        return $this->broken || ($this->toClient === ''
            && ($this->cut || $this->upstreamEnded || ($this->clientEnded && $this->toUpstream === '')));
    }

    public function close(): void
    {
        fclose($this->client);
        $this->upstream !== null && fclose($this->upstream);
    }

    /** @param resource $socket @return string what is left of $pending */
    private function written($socket, string $pending): string
    {
        $written = @fwrite($socket, $pending);
        $this->broken = $this->broken || $written === false;
        return $written === false ? '' : substr($pending, $written);
    }

    /** @return array{string, array<string, string>}|null */
    private function requestHeadIfWhole(): ?array
    {
        $end = strpos($this->requestHead, "\r\n\r\n");
        if ($end === false) {
            $this->clientEnded = $this->clientEnded || strlen($this->requestHead) > self::MAX_HEAD;
            return null;
        }
        [$line, $headers, $kept] = self::parseHead(substr($this->requestHead, 0, $end));
        $this->toUpstream = implode("\r\n", [$line, ...$kept, 'Connection: close']) . "\r\n\r\n"
            . substr($this->requestHead, $end + 4);
        return [$line, $headers];
    }

    private function fromUpstream(string $bytes): void
    {
        if ($this->responseHead !== null) {
            $this->responseHead .= $bytes;
            $end = strpos($this->responseHead, "\r\n\r\n");
            if ($end === false) {
                $this->upstreamEnded = $this->upstreamEnded || strlen($this->responseHead) > self::MAX_HEAD;
                return;
            }
            [$line, $headers] = self::parseHead(substr($this->responseHead, 0, $end));
            $this->news[] = ['status' => (int) (explode(' ', $line . ' ')[1]), 'response' => $headers];
            $length = $headers['content-length'] ?? '';
            if ($this->cuts) {
                $this->bodyLeft = ctype_digit($length) ? intdiv((int) $length, 3) : self::BODY_WITHOUT_LENGTH;
            }
            $this->toClient .= substr($this->responseHead, 0, $end + 4);
            $bytes = substr($this->responseHead, $end + 4);
            $this->responseHead = null;
        }
        if ($this->bodyLeft !== null) {
            $bytes = substr($bytes, 0, $this->bodyLeft);
            $this->bodyLeft -= strlen($bytes);
        }
        $this->bodyPassed += strlen($bytes);
        $this->toClient .= $bytes;
        if ($this->bodyLeft === 0 && !$this->cut) {
            $this->cut = true;
            $this->news[] = ['cut' => $this->bodyPassed];
        }
    }

    /** @return array{string, array<string, string>, list<string>} the first line, the headers by lower-case name, and the lines to pass on */
    private static function parseHead(string $head): array
    {
        $lines = explode("\r\n", $head);
        $headers = [];
        $kept = [];
        foreach (array_slice($lines, 1) as $line) {
            [$name, $value] = array_map('trim', explode(':', $line, 2)) + [1 => ''];
            $headers[strtolower($name)] = $value;
            if (!in_array(strtolower($name), ['connection', 'keep-alive', 'proxy-connection'], true)) {
                $kept[] = $line;
            }
        }
        return [$lines[0], $headers, $kept];
    }
}

if (PHP_SAPI === 'cli' && realpath((string) ($_SERVER['SCRIPT_FILENAME'] ?? '')) === __FILE__) {
    CuttingProxy::run((int) $_SERVER['argv'][1], (string) $_SERVER['argv'][2], (string) $_SERVER['argv'][3]);
}
