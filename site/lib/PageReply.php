<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/** A complete HTML answer: status, headers and body, sent in one piece. */
final class PageReply
{
    /** @param array<string, string> $headers */
    public function __construct(
        public readonly int $status,
        public readonly string $body,
        public readonly array $headers = [],
    ) {
    }

    /** A kit page holding one sentence, for refusals and notices. */
    public static function notice(int $status, string $title, string $sentence, array $headers = []): self
    {
        return new self($status, Html::page($title, '<p>' . Html::text($sentence) . '</p>'),
            ['Content-Type' => Html::CONTENT_TYPE] + $headers);
    }

    public function send(): void
    {
        http_response_code($this->status);
        // Pages and tickets are made per visit: no cache may keep them, and the thanks URL with
        // its key must not travel in a Referer to whatever the seller's page links or loads.
        $headers = $this->headers + [
            'Content-Type' => 'text/html',
            'Cache-Control' => 'no-store',
            'Referrer-Policy' => 'no-referrer',
            'X-Content-Type-Options' => 'nosniff',
        ];
        foreach ($headers as $name => $value) {
            header($name . ': ' . $value);
        }
        // A handler that compresses what is echoed would make the length a lie, and the browser
        // would wait for bytes that never come.
        if (OutputBuffers::dropAll() && $this->status !== 204 && $this->status !== 304) {
            header('Content-Length: ' . strlen($this->body));
        }
        echo $this->body;
    }
}
