<?php
declare(strict_types=1);

use PHPUnit\Framework\TestCase;

/**
 * actions.php under `php -S` or the run's real server, fed the forms as the console posts them and
 * read byte for byte.
 * @group http
 */
final class ActionsTest extends TestCase
{
    private const SECRET = 'seller-secret-key';
    private const CODE = '[0-9A-Z]{10}';
    private const STRANGER = '127.0.0.2';
    private const TABLES = ['kit_counters', 'products', 'download_tickets', 'download_ticket_addresses',
                            'download_deliveries', 'thanks_wrong_tries'];

    private KitFixture $kit;

    protected function setUp(): void
    {
        $this->kit = new KitFixture(['sSecretKey' => self::SECRET]);
        $this->kit->serve();
    }

    protected function tearDown(): void
    {
        $this->kit->close();
    }

    public function testServerCheckAndTheGetBeforeAChangeAnswerOkOnBothPathsWhileTheDatabaseAnswers(): void
    {
        // The console's check form, byte for byte: boundary "--------" plus the local time as
        // MMddyyHHmmsszzz, the fields "action" = "1" and "end" empty.
        $boundary = '--------120926190512345';
        $body = "--{$boundary}\r\nContent-Disposition: form-data; name=\"action\"\r\n\r\n1\r\n"
              . "--{$boundary}\r\nContent-Disposition: form-data; name=\"end\"\r\n\r\n\r\n"
              . "\r\n--{$boundary}--\r\n";
        $this->assertSame(185, strlen($body));

        foreach (['/actions.php', '//actions.php'] as $path) {
            $reply = $this->kit->request('POST', $path, $body, 'multipart/form-data; boundary=' . $boundary);
            $this->assertSame([200, 'text/plain', 'OK'], [$reply->status, $reply->headers['content-type'], $reply->body], $path);
            // The peer it saw, for check-site.php to compare with its own end of the connection.
            $this->assertMatchesRegularExpression('/^127\.0\.0\.1 [1-9][0-9]{0,4}$/D', $reply->headers['x-kit-peer'] ?? '', $path);
            $get = $this->kit->request('GET', $path);
            $this->assertSame(200, $get->status, $path);
        }

        // A database the kit cannot reach fails the check, so the console stops before the list.
        $this->kit->writeConfig(['hostname' => '127.0.0.1:1', 'database' => 'shop', 'sSecretKey' => self::SECRET]);
        $reply = $this->kit->request('POST', '/actions.php', $body, 'multipart/form-data; boundary=' . $boundary);
        $this->assertSame([500, 'BAD'], [$reply->status, $reply->body]);
    }

    public function testEachActionAnswersTheExactBytesTheConsoleReads(): void
    {
        // A new kit's database has no tables: the first request that needs them makes them.
        $db = $this->kit->kit()->db();
        foreach (self::TABLES as $table) {
            $db->exec('DROP TABLE ' . $table);
        }
        $this->assertSame('^OK', $this->kit->action('3')->body);
        $this->assertSame('OK', $this->add("Ebook \xe9\xff", 'ebook1', 'thanks.html'));
        $this->assertSame('OK', $this->add('Course', 'course', 'course.html'));
        $this->assertSame('EXIST RECORD', $this->add("EBOOK \xe9\xff", 'other', 'other.html'));

        $list = $this->kit->action('3')->body;
        $this->assertMatchesRegularExpression('/^"1","Ebook \xe9\xff","ebook1","thanks.html","(' . self::CODE . ')"'
            . '\^"2","Course","course","course.html","(' . self::CODE . ')"\^OK$/', $list);
        $ebookCode = $this->codeOf('1');

        $row = $this->kit->action('5', ['prodcod' => '1'])->body;
        $thanksKey = substr(hash_hmac('sha256', $ebookCode, self::SECRET), 0, 32);
        $this->assertSame("\"1\",\"Ebook \xe9\xff\",\"ebook1\",\"thanks.html\",\"{$ebookCode}\",\"{$thanksKey}\"^OK", $row);
        $this->assertSame('^OK', $this->kit->action('5', ['prodcod' => '77'])->body);
        $this->assertSame('^OK', $this->kit->action('5', ['prodcod' => 'x'])->body);

        $this->assertSame("DON'T EXIST RECORD", $this->update('77', 'Other', 'f', 't.html'));
        $this->assertSame('EXIST RECORD', $this->update('2', "ebook \xe9\xff", 'f', 't.html'));
        $this->assertSame('OK', $this->update('1', "Ebook \xe9\xff", 'ebook2', 'thanks2.html'));
        $this->assertSame($ebookCode, $this->codeOf('1'), 'same name, same code');
        $this->assertSame('OK', $this->update('1', "EBOOK \xe9\xff", 'ebook2', 'thanks2.html'));
        $this->assertNotSame($ebookCode, $this->codeOf('1'), 'a new name gets a new code');

        // Keys that no product has are passed over; a deleted key is never handed out again.
        $this->assertSame('OK', $this->kit->action('2', ['deleteids' => '2,77,x'])->body);
        $this->assertSame('OK', $this->add('Course', 'course', 'course.html'));
        $this->assertMatchesRegularExpression('/^"1",[^^]*\^"3","Course",[^^]*\^OK$/', $this->kit->action('3')->body);

        $this->assertSame('OK', $this->kit->action('2', ['deleteids' => 'all'])->body);
        $this->assertSame('^OK', $this->kit->action('3')->body);
        $this->assertSame('OK', $this->add('Fresh', 'fresh', 'fresh.html'));
        $this->assertMatchesRegularExpression('/^"4","Fresh",/', $this->kit->action('3')->body);
    }

    public static function unsafeValues(): array
    {
        return [
            'comma' => ['a,b'], 'caret' => ['a^b'], 'quote' => ['a"b'], 'CR' => ["a\rb"], 'LF' => ["a\nb"],
            'end marker' => ['x^OK'], 'tab' => ["a\tb"], 'DEL' => ["a\x7fb"], 'leading blank' => [' a'],
            'empty' => [''], 'over-long' => [str_repeat('n', 1025)],
        ];
    }

    /** @dataProvider unsafeValues */
    public function testValuesThatWouldBreakARowAreRefusedAndNothingIsStored(string $value): void
    {
        $this->assertSame('OK', $this->add('Ebook', 'ebook1', 'thanks.html'));
        $before = $this->kit->action('3')->body;
        $this->assertSame(
            ['BAD', 'BAD', 'BAD', 'BAD', 'BAD', 'BAD'],
            [$this->add($value, 'f', 't'), $this->add('N', $value, 't'), $this->add('N', 'f', $value),
             $this->update('1', $value, 'f', 't'), $this->update('1', 'N', $value, 't'), $this->update('1', 'N', 'f', $value)],
        );
        $this->assertSame($before, $this->kit->action('3')->body);
    }

    public function testMalformedFormsAnswerBadAndChangeNothing(): void
    {
        $this->assertSame('OK', $this->add('Ebook', 'ebook1', 'thanks.html'));
        $before = $this->kit->action('3')->body;
        $cut = ConsoleForm::body([['action', '2'], ['deleteids', 'all']]);
        $forms = [
            'no action' => ConsoleForm::body([['end', '']]),
            'unknown action' => ConsoleForm::action('7'),
            'no end: cut short' => $cut,
            'no deleteids' => ConsoleForm::action('2'),
            'no thanks page' => ConsoleForm::action('4', ['prodname' => 'N', 'prodfolder' => 'f']),
            'no key' => ConsoleForm::action('6', ['prodname' => 'N', 'prodfolder' => 'f', 'prodthankspage' => 't']),
        ];
        foreach ($forms as $what => $form) {
            $reply = $this->kit->request('POST', '/actions.php', $form, ConsoleForm::contentType());
            $this->assertSame([200, 'BAD'], [$reply->status, $reply->body], $what);
        }
        $this->assertSame($before, $this->kit->action('3')->body);
    }

    public function testAddressesOutsideTheAllowlistAreForbiddenAndChangeNothing(): void
    {
        $this->assertSame('OK', $this->add('Ebook', 'ebook1', 'thanks.html'));
        $before = $this->kit->action('3')->body;

        $delete = $this->kit->request('POST', '/actions.php', ConsoleForm::action('2', ['deleteids' => 'all']),
            ConsoleForm::contentType(), [], self::STRANGER);
        $this->kit->writeSettings(['actions_allow' => ['10.0.0.0/8', '::2']]);
        $get = $this->kit->request('GET', '/actions.php');
        $this->assertSame([403, 403], [$delete->status, $get->status]);
        $this->assertStringNotContainsString('OK', $delete->body);

        $this->kit->writeSettings(['actions_allow' => ['10.0.0.0/8', '127.0.0.0/8']]);
        $this->assertSame($before, $this->kit->action('3')->body);
    }

    public function testBrowserRequestsAreRefusedAndChangeNothing(): void
    {
        $this->assertSame('OK', $this->add('Ebook', 'ebook1', 'thanks.html'));
        $before = $this->kit->action('3')->body;
        // A page elsewhere makes the seller's browser post a form, from the seller's own allowed address.
        $forged = $this->kit->request('POST', '/actions.php', 'action=2&deleteids=all&end=', 'application/x-www-form-urlencoded',
            ['Origin: http://attacker.example', 'Sec-Fetch-Site: cross-site', 'Sec-Fetch-Mode: navigate', 'Sec-Fetch-Dest: document']);
        $this->assertSame(403, $forged->status);
        foreach (['Sec-Fetch-Site: same-origin', 'Sec-Fetch-Mode: cors', 'Origin: null'] as $header) {
            $this->assertSame(403, $this->kit->action('5', ['prodcod' => '1'], [$header])->status, $header);
        }

        // A page whose own name resolves to the server (DNS rebinding) sends that name as Host.
        $this->kit->writeSettings(['actions_hosts' => ['shop.example', '[::1]']]);
        $this->assertSame(403, $this->kit->action('5', ['prodcod' => '1'], ['Host: attacker.example'])->status);
        $this->assertSame(403, $this->kit->action('3')->status, 'the server\'s own address is not a name of the list');
        foreach (['Host: SHOP.example', 'Host: shop.example:8080', 'Host: [::1]:8080'] as $host) {
            $this->assertSame($before, $this->kit->action('3', [], [$host])->body, $host);
        }
    }

    public function testRequestsThroughAProxyOnTheServerAreRefused(): void
    {
        $this->assertSame('OK', $this->add('Ebook', 'ebook1', 'thanks.html'));
        $proxy = RealServer::proxy($this->kit->port());
        try {
            $through = $this->kit->request('POST', '/actions.php', ConsoleForm::action('5', ['prodcod' => '1']),
                ConsoleForm::contentType(), [], self::STRANGER, $proxy->port);
            $this->assertSame(403, $through->status, $proxy->logs());
        } finally {
            $proxy->stop();
        }
        foreach (['Forwarded: for=203.0.113.9', 'X-Forwarded-For: 203.0.113.9', 'X-Forwarded-Host: shop.example',
                  'X-Forwarded-Proto: https', 'X-Real-IP: 203.0.113.9', 'Via: 1.1 cache', 'CF-Connecting-IP: 203.0.113.9',
                  'True-Client-IP: 203.0.113.9', 'X-Client-IP: 203.0.113.9', 'Fastly-Client-IP: 203.0.113.9'] as $header) {
            $this->assertSame(403, $this->kit->action('5', ['prodcod' => '1'], [$header])->status, $header);
        }
        $this->assertSame(200, $this->kit->action('5', ['prodcod' => '1'])->status);
    }

    private function add(string $name, string $folder, string $thanksPage): string
    {
        return $this->kit->action('4', ['prodname' => $name, 'prodfolder' => $folder, 'prodthankspage' => $thanksPage])->body;
    }

    private function update(string $key, string $name, string $folder, string $thanksPage): string
    {
        return $this->kit->action('6', ['prodcod' => $key, 'prodname' => $name, 'prodfolder' => $folder,
                                        'prodthankspage' => $thanksPage])->body;
    }

    private function codeOf(string $key): string
    {
        $fields = explode('","', $this->kit->action('5', ['prodcod' => $key])->body);
        return $fields[4];
    }
}
