<?php
declare(strict_types=1);

// Asks the seller's site, over HTTP as any visitor can, for every kind of file that must never be
// served, and prints one line for each that comes back. Run it from any computer with PHP, in
// the kit's folder as you have it: php hosting/check-site.php --help

require dirname(__DIR__) . '/lib/autoload.php';

use Vantrel\Kit\SiteGuards;

const USAGE = <<<'TEXT'
Usage: php check-site.php SITE_URL [ARCHIVE_URL]

Checks that the seller's site kit at SITE_URL (the site URL of the console's Settings, for example
https://shop.example/kit) serves none of the files it must keep to itself: the database,
config.php, kit-settings.php, lib/, tests/, the .htaccess files, folder listings, and archives in
any letter case. For the archives it asks for the canary archives check-site-canary.zip, .ZIP and
.Zip, which the kit makes in its archive root on its first request (this check makes one first);
never for a product's archive. ARCHIVE_URL is the address of the archive root when
'archive_root' in kit-settings.php puts it elsewhere inside the web space; by default it is
SITE_URL.

Prints one line for every file that is exposed and exits with 1, or prints "nothing exposed" and
exits with 0. Exits with 2 when there is no kit at SITE_URL or the site cannot be reached.
TEXT;

/** One GET as a stranger's browser makes it: no redirects followed, at most 64 KiB of the body read. */
final class SiteRequest
{
    private const BODY_BYTES = 65536;

    /** @return array{int, string} the status (0 when nothing answered) and the start of the body */
    public static function get(string $url): array
    {
        $context = stream_context_create(['http' => [
            'method' => 'GET',
            'ignore_errors' => true,
            'follow_location' => 0,
            'timeout' => 20,
            'header' => "User-Agent: check-site.php\r\nConnection: close\r\n",
        ]]);
        $handle = @fopen($url, 'rb', false, $context);
        if ($handle === false) {
            return [0, ''];
        }
        $status = 0;
        foreach (stream_get_meta_data($handle)['wrapper_data'] ?? [] as $line) {
            if (is_string($line) && preg_match('#^HTTP/[0-9.]+ ([0-9]{3})#', $line, $m) === 1) {
                $status = (int) $m[1];
            }
        }
        $body = stream_get_contents($handle, self::BODY_BYTES);
        fclose($handle);
        return [$status, $body === false ? '' : $body];
    }
}

/** The files a kit must not serve, each with what its answer looks like when it is served. */
final class ExposureCheck
{
    public function __construct(private readonly string $siteUrl, private readonly string $archiveUrl)
    {
    }

    /** @return list<string> one line per exposed file */
    public function exposures(): array
    {
        $lines = [];
        foreach ($this->probes() as [$kind, $url, $isServed, $what]) {
            [$status, $body] = SiteRequest::get($url);
            if ($status === 200 && $isServed($body)) {
                $lines[] = "{$kind}: {$url} {$what}";
            }
        }
        return $lines;
    }

    /** @return list<array{string, string, Closure(string): bool, string}> kind, URL, test of the body, what it means */
    private function probes(): array
    {
        $site = $this->siteUrl . '/';
        $runsOrShows = static fn (string $source): Closure
            => static fn (string $body): bool => $body === '' || str_contains($body, $source);
        $contains = static fn (string $text): Closure => static fn (string $body): bool => str_contains($body, $text);
        $is = static fn (string $bytes): Closure => static fn (string $body): bool => $body === $bytes;
        $lists = static fn (string $names): Closure
            => static fn (string $body): bool => preg_match('#href="[^"]*(' . $names . ')#i', $body) === 1;

        $probes = [
            ['database', $site . 'data/' . SiteGuards::INDEX_FILE, $is(SiteGuards::INDEX_PAGE),
                'is served: the folder of the SQLite database is open, and the database downloads for anyone who learns its name'],
            ['database', $site . 'data/site.sqlite', static fn (string $body): bool => str_starts_with($body, "SQLite format 3\0"),
                'is served: the whole database, with every thanks key in it'],
            ['config.php', $site . 'config.php', $runsOrShows('sSecretKey'),
                'is served: the server runs it, or shows the database password and the secret key in it; it must answer 403 or 404'],
            ['kit-settings.php', $site . 'kit-settings.php', $runsOrShows('return'),
                'is served: the server runs it, or shows the kit\'s settings; it must answer 403 or 404'],
            ['lib/', $site . 'lib/autoload.php', $runsOrShows('spl_autoload_register'), 'is served: the kit\'s internals are open'],
            ['tests/', $site . 'tests/phpunit.xml', $contains('<phpunit'), 'is served: the kit\'s tests are open (they need not be uploaded)'],
            ['.htaccess', $site . '.htaccess', $contains('Require all denied'), 'is served: the kit\'s rules are shown, not followed'],
            ['.htaccess', $site . 'data/.htaccess', $contains('Require all denied'), 'is served: the kit\'s rules are shown, not followed'],
            ['listing', $site, $lists('actions\.php|check-site-canary'), 'lists the kit\'s files'],
            ['listing', $site . 'data/', $lists('\.sqlite'), 'lists the database'],
            ['listing', $site . 'lib/', $lists('autoload\.php'), 'lists the kit\'s internals'],
        ];
        if ($this->archiveUrl !== $this->siteUrl) {
            $probes[] = ['listing', $this->archiveUrl . '/', $lists('check-site-canary'), 'lists the archive root'];
        }
        foreach (SiteGuards::CANARIES as $canary) {
            $probes[] = ['archive', $this->archiveUrl . '/' . $canary, $is(SiteGuards::canary()),
                'downloads without a ticket: so do the products\' archives'];
        }
        return $probes;
    }
}

function checkSite(array $arguments): int
{
    if (in_array($arguments[0] ?? '', ['--help', '-h'], true)) {
        echo USAGE, "\n";
        return 0;
    }
    $urls = array_map(static fn (string $url): string => rtrim($url, '/'), $arguments);
    if (count($urls) < 1 || count($urls) > 2 || preg_grep('#^https?://[^/]+#i', $urls) !== $urls) {
        fwrite(STDERR, USAGE . "\n");
        return 2;
    }
    if (preg_grep('#^https://#i', $urls) !== [] && !extension_loaded('openssl')) {
        fwrite(STDERR, "check-site.php: https needs PHP's openssl extension\n");
        return 2;
    }
    $siteUrl = $urls[0];
    // The kit's first request makes the canaries; a thanks page without a link is refused, which
    // also tells that a kit answers here at all.
    [$status] = SiteRequest::get($siteUrl . '/thanks.php');
    if (!in_array($status, [403, 429, 503], true)) {
        fwrite(STDERR, "check-site.php: no kit answers at {$siteUrl}: thanks.php answered "
            . ($status === 0 ? 'nothing' : "with status {$status}") . "\n");
        return 2;
    }
    $lines = (new ExposureCheck($siteUrl, $urls[1] ?? $siteUrl))->exposures();
    if ($lines === []) {
        echo "nothing exposed\n";
        return 0;
    }
    echo implode("\n", $lines), "\n";
    return 1;
}

if (PHP_SAPI !== 'cli') {
    // Uploaded by mistake and asked for by a browser: nothing to run here.
    http_response_code(404);
    exit;
}
exit(checkSite(array_slice($argv, 1)));
