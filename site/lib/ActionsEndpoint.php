<?php
declare(strict_types=1);

namespace Vantrel\Kit;

use Generator;
use Throwable;

/**
 * actions.php: the console manages the seller's products through six form posts. The replies
 * are read byte for byte, so they go out as plain text without a line break after them.
 * The protocol carries no credentials: only the console's requests from addresses the seller
 * allows are served (ActionsGate).
 */
final class ActionsEndpoint
{
    public const OK = 'OK';
    public const BAD = 'BAD';
    public const EXISTS = 'EXIST RECORD';
    public const MISSING = "DON'T EXIST RECORD";
    public const PEER_HEADER = 'X-Kit-Peer';

    private const NAME_BYTES = 255;
    private const PATH_BYTES = 1024;
    private const MAX_DELETE_KEYS = 1_000_000;
    // Rows are sent in pieces of about this size: few writes, and memory that does not grow
    // with the number of products.
    private const CHUNK_BYTES = 65536;

    public function __construct(private readonly Kit $kit)
    {
    }

    /**
     * @param array<string, mixed> $form the posted fields
     * @param array<string, mixed> $server the request as $_SERVER describes it
     */
    public function handle(string $method, array $form, array $server): void
    {
        header('Content-Type: text/plain');
        header('Cache-Control: no-store');
        header('X-Content-Type-Options: nosniff');

        if (!ActionsGate::forSettings($this->kit->settings)->admits($server)) {
            $this->reply(403, 'Forbidden');
            return;
        }
        if ($method === 'GET' || $method === 'HEAD') {
            // The console fetches the script before adding or updating and throws the reply away.
            $this->reply(200, self::OK);
            return;
        }
        if ($method !== 'POST') {
            header('Allow: GET, HEAD, POST');
            $this->reply(405, self::BAD);
            return;
        }
        // "end" comes last in every form the console posts: without it the form was cut short.
        $action = $form['action'] ?? null;
        if (!is_string($action) || !is_string($form['end'] ?? null)) {
            $this->reply(200, self::BAD);
            return;
        }
        match ($action) {
            '1' => $this->check($server),
            '2' => $this->delete($form),
            '3' => $this->list(),
            '4' => $this->add($form),
            '5' => $this->get($form),
            '6' => $this->update($form),
            default => $this->reply(200, self::BAD),
        };
    }

    // "Working" includes the database: a wrong MySQL password in config.php shows at the check,
    // before the console asks for the list. The peer goes out in a header, also on a database
    // failure: check-site.php compares it with the address and port it connected from. A loopback
    // peer it did not connect from is a proxy on the server that adds no forwarding header, and
    // passes every stranger on as the server.
    private function check(array $server): void
    {
        $address = $server['REMOTE_ADDR'] ?? null;
        $port = $server['REMOTE_PORT'] ?? null;
        if (is_string($address) && preg_match('/^[0-9A-Fa-f:.]{2,45}$/D', $address) === 1
            && is_scalar($port) && preg_match('/^[0-9]{1,5}$/D', (string) $port) === 1) {
            header(self::PEER_HEADER . ': ' . $address . ' ' . $port);
        }
        $this->kit->db();
        $this->reply(200, self::OK);
    }

    private function delete(array $form): void
    {
        $ids = $form['deleteids'] ?? null;
        // More keys than any list holds is no console's request; refused before they are read.
        if (!is_string($ids) || substr_count($ids, ',') >= self::MAX_DELETE_KEYS) {
            $this->reply(200, self::BAD);
            return;
        }
        if ($ids === 'all') {
            $this->store()->deleteAll();
        } else {
            $this->store()->delete(self::keys($ids));
        }
        $this->reply(200, self::OK);
    }

    /**
     * The keys of a delete, one at a time: an array of a million keys would take more memory than
     * PHP gives a request.
     * @return Generator<int>
     */
    private static function keys(string $ids): Generator
    {
        for ($at = 0; $at <= strlen($ids); $at = $end + 1) {
            $end = strpos($ids, ',', $at);
            $end = $end === false ? strlen($ids) : $end;
            $key = self::key(substr($ids, $at, $end - $at));
            if ($key !== null) {
                yield $key;
            }
        }
    }

    private function list(): void
    {
        http_response_code(200);
        $chunk = '';
        $separator = '';
        $started = false;
        try {
            foreach ($this->store()->each() as $row) {
                $chunk .= $separator . RowFormat::row([$row['id'], $row['name'], $row['folder'],
                                                       $row['thanks_page'], $row['code']]);
                $separator = '^';
                if (strlen($chunk) >= self::CHUNK_BYTES) {
                    $started = true;
                    echo $chunk;
                    flush();
                    $chunk = '';
                }
            }
        } catch (Throwable $e) {
            // Before the first rows have gone, the frame's failure reply says BAD on its own.
            // After them, the status line is gone: a line without five fields makes the console
            // drop the whole list instead of showing the part that came before the failure.
            if ($started) {
                echo '^', self::BAD;
            }
            throw $e;
        }
        echo $chunk, RowFormat::END;
    }

    private function add(array $form): void
    {
        $values = self::productValues($form);
        if ($values === null) {
            $this->reply(200, self::BAD);
            return;
        }
        $id = $this->store()->add(...$values);
        $this->reply(200, $id === null ? self::EXISTS : self::OK);
    }

    private function get(array $form): void
    {
        $key = $form['prodcod'] ?? null;
        if (!is_string($key)) {
            $this->reply(200, self::BAD);
            return;
        }
        $id = self::key($key);
        $row = $id === null ? null : $this->store()->find($id);
        if ($row === null) {
            $this->reply(200, RowFormat::END);
            return;
        }
        $thanksKey = ThanksKey::compute($this->kit->config->secretKey, $row['code']);
        $this->reply(200, RowFormat::row([$row['id'], $row['name'], $row['folder'], $row['thanks_page'],
                                          $row['code'], $thanksKey]) . RowFormat::END);
    }

    private function update(array $form): void
    {
        $values = self::productValues($form);
        if ($values === null || !is_string($form['prodcod'] ?? null)) {
            $this->reply(200, self::BAD);
            return;
        }
        $id = self::key($form['prodcod']);
        $change = $id === null ? ProductChange::Missing : $this->store()->update($id, ...$values);
        $this->reply(200, match ($change) {
            ProductChange::Done => self::OK,
            ProductChange::Missing => self::MISSING,
            ProductChange::NameTaken => self::EXISTS,
        });
    }

    /** @return array{string, string, string}|null name, folder and thanks page, when all can travel in a row */
    private static function productValues(array $form): ?array
    {
        $name = $form['prodname'] ?? null;
        $folder = $form['prodfolder'] ?? null;
        $thanksPage = $form['prodthankspage'] ?? null;
        if (!is_string($name) || !is_string($folder) || !is_string($thanksPage)
            || !RowFormat::carries($name, self::NAME_BYTES)
            || !RowFormat::carries($folder, self::PATH_BYTES)
            || !RowFormat::carries($thanksPage, self::PATH_BYTES)) {
            return null;
        }
        return [$name, $folder, $thanksPage];
    }

    // Keys are the decimal numbers the list handed out; anything else names no product.
    private static function key(string $text): ?int
    {
        return preg_match('/^[0-9]{1,18}$/', $text) === 1 ? (int) $text : null;
    }

    private function store(): ProductStore
    {
        return new ProductStore($this->kit->db());
    }

    private function reply(int $status, string $body): void
    {
        http_response_code($status);
        echo $body;
    }
}
