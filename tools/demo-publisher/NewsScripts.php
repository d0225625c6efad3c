<?php
declare(strict_types=1);

namespace VantrelDemo;

// A publisher's news server for one tier: "getlastnews.php" (the newest item, or the whole list)
// and "getnewsdetails.php" (one item's text), answering in the words the console reads. Every
// success carries the news marker, the byte 0xAF followed by "OK"; texts go out with "$" and every
// byte outside printable ASCII written as "$" and two hexadecimal digits.
final class NewsScripts
{
    public const MARKER = "\xAFOK";

    public function __construct(private readonly string $publisherId, private readonly string $tierCode)
    {
    }

    /**
     * The demo's items, newest first. Texts are Windows-1252 bytes, as the console reads them.
     *
     * @return list<array{id: int, title: string, published: string, html: string}>
     */
    public static function items(): array
    {
        return [
            ['id' => 3, 'title' => 'Version 2.01 is out', 'published' => '2026-11-20',
             'html' => '<h2>Version 2.01 is out</h2><p>The console now checks for updates by itself at start '
                 . 'and keeps your last read news across restarts.</p><p>Members pay $0 for the update.</p>'],
            ['id' => 2, 'title' => 'Selling bundles', 'published' => '2026-10-02',
             'html' => '<h2>Selling bundles</h2><p>Put several archives in one product folder and sell them as '
                 . 'one download: a bundle at $19 sells better than three items at $7.</p>'],
            ['id' => 1, 'title' => 'Welcome to the member news', 'published' => '2026-09-01',
             'html' => '<h2>Welcome</h2><p>News for members appears here. Select an item to read it; '
                 . 'the balloon at the News button tells you when something new has come in. '
                 . "Caf\xE9 cr\xE8me for everyone!</p>"],
        ];
    }

    public static function dollarEscaped(string $text): string
    {
        return preg_replace_callback(
            '/[^\x20-\x23\x25-\x7E]/',
            static fn (array $m): string => sprintf('$%02X', ord($m[0])),
            $text
        );
    }

    /** @param array<string, mixed> $form the posted fields */
    public function lastNews(array $form): string
    {
        if ($form === []) {
            return ''; // the console reads an empty reply as a news site in trouble
        }
        $refused = $this->refusal($form);
        if ($refused !== '') {
            return $refused;
        }
        $items = self::items();
        switch (self::field($form, 'conttype')) {
            case 'lastcode':
                return $items[0]['id'] . '^' . $items[0]['title'] . self::MARKER;
            case 'all':
                $reply = '';
                foreach ($items as $item) {
                    $reply .= $item['id'] . '^' . $item['title'] . '^' . $item['published'] . "\xAF";
                }
                return $reply . 'OK';
            default:
                return '';
        }
    }

    /** @param array<string, mixed> $form the posted fields */
    public function newsDetails(array $form): string
    {
        if ($form === []) {
            return '';
        }
        $refused = $this->refusal($form);
        if ($refused !== '') {
            return $refused;
        }
        $id = self::field($form, 'newsid');
        foreach (self::items() as $item) {
            if ((string) $item['id'] === $id) {
                return self::dollarEscaped($item['html']) . self::MARKER;
            }
        }
        return 'INVALIDNEWS';
    }

    /** The reason a form is refused, empty when it is this server's member asking. */
    private function refusal(array $form): string
    {
        if (self::field($form, 'memusername') !== $this->publisherId) {
            return 'INVALIDUSER';
        }
        if (self::field($form, 'prodtype') !== $this->tierCode) {
            return 'INVALIDPRODUCT';
        }
        return '';
    }

    // A field posted twice under "name[]" arrives as an array: that is no value of this protocol.
    private static function field(array $form, string $name): string
    {
        $value = $form[$name] ?? '';
        return is_string($value) ? $value : '';
    }
}
