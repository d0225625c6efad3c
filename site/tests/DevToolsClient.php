<?php
declare(strict_types=1);

/**
 * Chromium's DevTools protocol over its WebSocket, with as much of RFC 6455 as that needs: text
 * messages out in masked frames, frames in joined into messages, pings answered, every length
 * bounded before it is read. Replies are matched to their calls by id; the events that arrive
 * meanwhile wait in order for nextEvent().
 */
final class DevToolsClient
{
    private const MAX_HEAD = 16 * 1024;
    private const MAX_MESSAGE = 16 * 1024 * 1024;
    private const GUID = '258EAFA5-E914-47DA-95CA-C5AB0DC85B11';

    /** @var resource */
    private $socket;
    private string $received = '';
    private string $message = '';
    private int $lastId = 0;
    /** @var list<array<string, mixed>> */
    private array $events = [];

    /** Connects to a ws:// address on this machine, as Chromium prints it. */
    public function __construct(string $address, private readonly float $callSeconds = 30.0)
    {
        if (preg_match('#^ws://127\.0\.0\.1:([0-9]{1,5})(/[!-~]{1,200})$#', $address, $m) !== 1) {
            throw new RuntimeException("not a DevTools address on 127.0.0.1: {$address}");
        }
        $socket = stream_socket_client("tcp://127.0.0.1:{$m[1]}", $errno, $error, 5);
        if ($socket === false) {
            throw new RuntimeException("cannot reach DevTools: {$error}");
        }
        $this->socket = $socket;
        $key = base64_encode(random_bytes(16));
        $this->write("GET {$m[2]} HTTP/1.1\r\nHost: 127.0.0.1:{$m[1]}\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            . "Sec-WebSocket-Key: {$key}\r\nSec-WebSocket-Version: 13\r\n\r\n");
        stream_set_blocking($this->socket, false);
        $deadline = microtime(true) + 10;
        while (($end = strpos($this->received, "\r\n\r\n")) === false) {
            if (strlen($this->received) > self::MAX_HEAD || !$this->fill($deadline)) {
                throw new RuntimeException('no WebSocket handshake from DevTools: ' . substr($this->received, 0, 200));
            }
        }
        $head = substr($this->received, 0, $end);
        $this->received = substr($this->received, $end + 4);
        $accept = base64_encode(sha1($key . self::GUID, true));
        if (preg_match('#^HTTP/1\.1 101 #', $head) !== 1
            || preg_match('#\r\nSec-WebSocket-Accept:[ \t]*' . preg_quote($accept, '#') . '[ \t]*(\r\n|$)#i', $head) !== 1) {
            throw new RuntimeException("DevTools refused the WebSocket:\n{$head}");
        }
    }

    /**
     * Sends one command, to the browser or to the target of $sessionId, and waits for its result.
     * @return array<string, mixed>
     */
    public function call(string $method, array $params = [], ?string $sessionId = null): array
    {
        $id = ++$this->lastId;
        $this->send(json_encode(['id' => $id, 'method' => $method, 'params' => (object) $params]
            + ($sessionId === null ? [] : ['sessionId' => $sessionId]), JSON_THROW_ON_ERROR | JSON_UNESCAPED_SLASHES));
        $deadline = microtime(true) + $this->callSeconds;
        while (true) {
            // Events that keep coming must not hold the call open past its time either.
            $message = microtime(true) < $deadline ? $this->receive($deadline) : null;
            if ($message === null) {
                throw new RuntimeException("no reply to {$method} within {$this->callSeconds} s");
            }
            if (($message['id'] ?? null) !== $id) {
                isset($message['method']) && $this->events[] = $message;
                continue;
            }
            if (isset($message['error'])) {
                throw new RuntimeException("{$method} failed: " . json_encode($message['error']));
            }
            return is_array($message['result'] ?? null) ? $message['result'] : [];
        }
    }

    /**
     * The next event, in the order they came, or null when none comes before $deadline.
     * @return array{method: string, params?: array<string, mixed>, sessionId?: string}|null
     */
    public function nextEvent(float $deadline): ?array
    {
        while ($this->events === []) {
            $message = $this->receive($deadline);
            if ($message === null) {
                return null;
            }
            isset($message['method']) && is_string($message['method']) && $this->events[] = $message;
        }
        return array_shift($this->events);
    }

    public function close(): void
    {
        if (is_resource($this->socket)) {
            fclose($this->socket);
        }
    }

    /** One whole message, decoded; null when it has not come whole before $deadline. */
    private function receive(float $deadline): ?array
    {
        while (true) {
            $frame = $this->frame();
            if ($frame === null) {
                if (!$this->fill($deadline)) {
                    return null;
                }
                continue;
            }
            [$final, $opcode, $payload] = $frame;
            if ($opcode === 0x9) {
                $this->send($payload, 0xA);
            } elseif ($opcode === 0x8) {
                throw new RuntimeException('Chromium closed the DevTools connection');
            } elseif ($opcode === 0x1 || $opcode === 0x0) {
                $this->message .= $payload;
                if ($final) {
                    $text = $this->message;
                    $this->message = '';
                    $decoded = json_decode($text, true, 64);
                    if (!is_array($decoded)) {
                        throw new RuntimeException('DevTools sent no JSON object: ' . substr($text, 0, 200));
                    }
                    return $decoded;
                }
            }
        }
    }

    /** @return array{bool, int, string}|null the first frame of what was received, once it is whole */
    private function frame(): ?array
    {
        if (strlen($this->received) < 2) {
            return null;
        }
        [$first, $second] = [ord($this->received[0]), ord($this->received[1])];
        if (($second & 0x80) !== 0) {
            throw new RuntimeException('DevTools sent a masked frame');
        }
        $length = $second & 0x7F;
        $start = 2;
        if ($length === 126 || $length === 127) {
            $start = $length === 126 ? 4 : 10;
            if (strlen($this->received) < $start) {
                return null;
            }
            $length = $length === 126 ? unpack('n', $this->received, 2)[1] : unpack('J', $this->received, 2)[1];
        }
        if ($length < 0 || strlen($this->message) + $length > self::MAX_MESSAGE) {
            throw new RuntimeException('DevTools sent a message over ' . self::MAX_MESSAGE . ' bytes');
        }
        if (strlen($this->received) < $start + $length) {
            return null;
        }
        $payload = substr($this->received, $start, $length);
        $this->received = substr($this->received, $start + $length);
        return [($first & 0x80) !== 0, $first & 0x0F, $payload];
    }

    /** Reads what has come, waiting until $deadline for something; false when nothing came. */
    private function fill(float $deadline): bool
    {
        $wait = $deadline - microtime(true);
        $read = [$this->socket];
        $none = null;
        if ($wait <= 0 || stream_select($read, $none, $none, (int) $wait, (int) (fmod($wait, 1) * 1e6)) < 1) {
            return false;
        }
        $bytes = fread($this->socket, 65536);
        if ($bytes === false || ($bytes === '' && feof($this->socket))) {
            throw new RuntimeException('the DevTools connection ended');
        }
        $this->received .= $bytes;
        return true;
    }

    private function send(string $payload, int $opcode = 0x1): void
    {
        $length = strlen($payload);
        $size = match (true) {
            $length < 126 => chr(0x80 | $length),
            $length < 65536 => chr(0x80 | 126) . pack('n', $length),
            default => chr(0x80 | 127) . pack('J', $length),
        };
        // A client masks every frame it sends.
        $mask = random_bytes(4);
        $this->write(chr(0x80 | $opcode) . $size . $mask . ($payload ^ str_repeat($mask, intdiv($length + 3, 4))));
    }

    private function write(string $bytes): void
    {
        $blocking = stream_get_meta_data($this->socket)['blocked'];
        stream_set_blocking($this->socket, true);
        for ($done = 0; $done < strlen($bytes); $done += $written) {
            $written = fwrite($this->socket, substr($bytes, $done));
            if ($written === false || $written === 0) {
                throw new RuntimeException('cannot write to DevTools');
            }
        }
        stream_set_blocking($this->socket, $blocking);
    }
}
