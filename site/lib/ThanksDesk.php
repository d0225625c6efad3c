<?php
declare(strict_types=1);

namespace Vantrel\Kit;

use RuntimeException;

/** Answers thanks.php?id=CODE&sk=KEY: the product's thanks page with fresh download links. */
final class ThanksDesk
{
    private const MAX_PARAMETER_BYTES = 128;
    public const DEFAULT_WRONG_TRIES = 10;
    public const DEFAULT_BLOCK_MINUTES = 15;

    public function __construct(
        private readonly string $secretKey,
        private readonly TicketLimits $limits,
        private readonly ProductStore $products,
        private readonly TicketStore $tickets,
        private readonly WrongTryThrottle $throttle,
        private readonly Clock $clock,
        private readonly string $kitDir,
        private readonly string $archiveRoot,
    ) {
    }

    public static function forKit(Kit $kit): self
    {
        $db = $kit->db();
        return new self($kit->config->secretKey, TicketLimits::fromConfig($kit->config), new ProductStore($db),
            new TicketStore($db),
            new WrongTryThrottle($db, self::setting($kit->settings, 'thanks_wrong_tries', self::DEFAULT_WRONG_TRIES),
                60 * self::setting($kit->settings, 'thanks_block_minutes', self::DEFAULT_BLOCK_MINUTES)),
            $kit->clock, $kit->settings->kitDir, $kit->settings->archiveRoot);
    }

    /** @param array<string, mixed> $query the request's query parameters */
    public function answer(array $query, string $address): PageReply
    {
        if (!ThanksKey::isUsableSecret($this->secretKey)) {
            return self::downloadsOff();
        }
        $now = $this->clock->now();
        $code = self::parameter($query, 'id');
        $key = self::parameter($query, 'sk');
        $product = $code === '' ? null : $this->products->findByCode($code);
        if ($product === null || !ThanksKey::matches($this->secretKey, $code, $key)) {
            $wait = $this->throttle->countWrongTry($address, $now);
            return $wait > 0
                ? PageReply::notice(429, 'Too many tries', 'Too many invalid links came from your address.'
                    . ' Please try again later.', ['Retry-After' => (string) $wait])
                : PageReply::notice(403, 'Invalid link', 'This thanks page link is not valid.');
        }
        $template = $this->template((string) $product['thanks_page']);
        [$links, $issue] = $this->downloads($product, $key, $address, $now);
        $page = ThanksPage::render($template, (string) $product['name'], $links, $issue);
        // The seller's page declares its own charset; the kit's page is in the console's code page.
        return new PageReply(200, $page, $template === null ? ['Content-Type' => Html::CONTENT_TYPE] : []);
    }

    /** The plain page of a site whose seller has set no usable secret key: it hands out nothing. */
    public static function downloadsOff(): PageReply
    {
        return PageReply::notice(503, 'Downloads are off', 'This site issues no downloads: its secret key is not set,'
            . ' or shorter than ' . ThanksKey::MIN_SECRET_BYTES . ' characters.');
    }

    /**
     * The archives' links under the ticket of this visit, and the ticket with what it has left;
     * no links when the product has no archive or the visitor's tickets are used up.
     * @return array{list<array{name: string, href: string}>, ?TicketIssue}
     */
    private function downloads(array $product, string $key, string $address, int $now): array
    {
        $folder = ProductFolder::open($this->archiveRoot, (string) $product['folder']);
        $folder?->keepUnlisted();
        $archives = $folder?->archives() ?? [];
        if ($archives === []) {
            return [[], null];
        }
        $this->throttle->prune($now);
        $issue = $this->tickets->issue((string) $product['code'], $key, $address, $this->limits, $now);
        if ($issue->token === null) {
            return [[], $issue];
        }
        return [array_map(static fn (string $name): array => [
            'name' => $name,
            'href' => 'download.php?t=' . $issue->token . '&f=' . rawurlencode($name),
        ], $archives), $issue];
    }

    private function template(string $thanksPage): ?string
    {
        $file = ThanksPage::findFile($this->kitDir, $thanksPage);
        $text = $file === null ? false : file_get_contents($file);
        return $text === false ? null : $text;
    }

    private static function setting(KitSettings $settings, string $key, int $default): int
    {
        $value = $settings->get($key, $default);
        if (!is_int($value)) {
            throw new RuntimeException("'{$key}' in " . KitSettings::FILE . ' must be a whole number');
        }
        return $value;
    }

    private static function parameter(array $query, string $name): string
    {
        $value = $query[$name] ?? '';
        return is_string($value) && strlen($value) <= self::MAX_PARAMETER_BYTES ? $value : '';
    }
}
