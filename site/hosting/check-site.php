<?php
declare(strict_types=1);

// Asks the seller's site, over HTTP as any visitor can, for every kind of file that must never be
// served, and prints one line for each that comes back, and one for each question it could not
// settle. Run it from any computer with PHP, in the kit's folder as you have it:
// php hosting/check-site.php --help

require dirname(__DIR__) . '/lib/autoload.php';

use Vantrel\Kit\ActionsEndpoint;
use Vantrel\Kit\CanaryReport;
use Vantrel\Kit\SiteGuards;

const USAGE = <<<'TEXT'
Usage: php check-site.php SITE_URL [ARCHIVE_URL]

Checks that the seller's site kit at SITE_URL (the site URL of the console's Settings, for example
https://shop.example/kit) serves none of the files it must keep to itself: the database,
config.php, kit-settings.php and backups of them (config.php~, .bak, .orig, .save, .swp, .old),
lib/, tests/, hosting/, the .htaccess files, folder listings, archives of any kind in any letter
case, and the files of product folders; and that actions.php answers no stranger, also not
through a proxy on the server. ARCHIVE_URL is the address of the archive root when 'archive_root'
in kit-settings.php puts it elsewhere inside the web space; by default it is SITE_URL.

A probe of a file that does not exist proves nothing, so it asks for canaries: harmless files that
the kit lays on its first request where the web server may write (archives check-site-canary.zip,
.ZIP, .Zip, .rar, .7z, .pdf, .mp3, .exe and a folder check-site-canary/ with a picture in the
archive root; backup names of config.php and kit-settings.php in the kit's folder), never for a
product's file. download.php?check=canaries tells which are in place. It also asks the kit to
prove that the web server delivers what send_with in kit-settings.php hands it.

Prints one line for each exposed file, and one line "cannot verify ..." for each probe that could
not run, saying why: a canary the web server could not write, a question an older kit does not
answer, a server that did not answer. Exits with 1 when anything is exposed, else with 2 when
anything could not be verified, else prints "nothing exposed" and exits with 0. Exits with 2 as
well when there is no kit at SITE_URL or the site cannot be reached.
TEXT;

/** One GET as a stranger's browser makes it: no redirects followed, the body read up to a bound. */
final class SiteRequest
{
    public const BODY_BYTES = 65536;

    /** @return array{int, string, array<string, string>} status (0: no answer), start of the body, headers by lower-case name */
    public static function get(string $url, int $bodyBytes = self::BODY_BYTES): array
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
            return [0, '', []];
        }
        $status = 0;
        $headers = [];
        foreach (stream_get_meta_data($handle)['wrapper_data'] ?? [] as $line) {
            if (!is_string($line)) {
                continue;
            }
            if (preg_match('#^HTTP/[0-9.]+ ([0-9]{3})#', $line, $m) === 1) {
                [$status, $headers] = [(int) $m[1], []];
            } elseif (str_contains($line, ':')) {
                [$name, $value] = explode(':', $line, 2);
                $headers[strtolower(trim($name))] = trim($value);
            }
        }
        $body = stream_get_contents($handle, $bodyBytes);
        $timedOut = stream_get_meta_data($handle)['timed_out'];
        fclose($handle);
        return $timedOut ? [0, '', []] : [$status, $body === false ? '' : $body, $headers];
    }

    /** Why an answer settles nothing: no answer, or the server's own trouble; null when it settles. */
    public static function unsettled(int $status): ?string
    {
        return match (true) {
            $status === 0 => 'no answer',
            $status === 408, $status === 429, $status >= 500 => "the server answered {$status}",
            default => null,
        };
    }
}

/** What the probes found: exposed files, and the probes that could not settle anything. */
final class Findings
{
    /** @var list<string> */
    public array $exposed = [];
    /** @var list<string> */
    public array $unverified = [];

    public function exposed(string $kind, string $url, string $what): void
    {
        $this->exposed[] = "{$kind}: {$url} {$what}";
    }

    public function unverified(string $kind, string $url, string $why): void
    {
        $this->unverified[] = "cannot verify {$kind}: {$url}: {$why}";
    }
}

/** download.php?check=canaries: which canaries the kit has in place, as it reports them. */
final class CanaryList
{
    /** @param array<string, true>|null $lines null: the kit gave no answer of this kind */
    private function __construct(private readonly ?array $lines, public readonly string $why)
    {
    }

    public static function ask(string $siteUrl): self
    {
        [$status, $body, $headers] = SiteRequest::get($siteUrl . '/download.php?check=' . CanaryReport::QUERY);
        $known = array_fill_keys(['site hosting/', 'site tests/', 'archive ' . SiteGuards::CANARY_FOLDER . '/'], true);
        foreach ([...SiteGuards::CANARIES, SiteGuards::CANARY_PICTURE] as $name) {
            $known['archive ' . $name] = true;
        }
        foreach (SiteGuards::backups() as $name) {
            $known['site ' . $name] = true;
        }
        $lines = explode("\n", rtrim($body, "\n"));
        $lines = $lines === [''] ? [] : $lines;
        // An older kit answers with a download's refusal, or a server with a page of its own.
        if ($status !== 200 || !str_starts_with(strtolower($headers['content-type'] ?? ''), 'text/plain')
            || strlen($body) >= SiteRequest::BODY_BYTES || array_diff_key(array_flip($lines), $known) !== []) {
            return new self(null, 'the kit does not say which canaries it has in place (download.php?check='
                . CanaryReport::QUERY . ' answered ' . ($status === 0 ? 'nothing' : $status) . '): an older kit?');
        }
        return new self(array_fill_keys($lines, true), '');
    }

    public function knows(): bool
    {
        return $this->lines !== null;
    }

    /** Whether the kit reported the line $line, "site NAME" or "archive NAME". */
    public function has(string $line): bool
    {
        return isset($this->lines[$line]);
    }
}

/** The files a kit must not serve, each with what its answer looks like when it is served. */
final class ExposureCheck
{
    public function __construct(private readonly string $siteUrl, private readonly string $archiveUrl,
                                private readonly CanaryList $canaries)
    {
    }

    public function run(Findings $findings): void
    {
        foreach ($this->probes() as [$kind, $url, $isServed, $what, $canary]) {
            [$status, $body] = SiteRequest::get($url);
            $unsettled = SiteRequest::unsettled($status);
            if ($status === 200 && $isServed($body)) {
                $findings->exposed($kind, $url, $what);
            } elseif ($unsettled !== null) {
                $findings->unverified($kind, $url, $unsettled);
            } elseif ($canary !== null && !$this->canaries->has($canary)) {
                // A 404 for a file that is not there says nothing about the rules.
                $findings->unverified($kind, $url, $this->canaries->knows()
                    ? 'the kit could not lay this canary: the web server could not write it into '
                        . (str_starts_with($canary, 'site ') ? 'the kit\'s folder' : 'the archive root')
                    : $this->canaries->why);
            }
        }
    }

    /**
     * @return list<array{string, string, Closure(string): bool, string, ?string}> kind, URL, test of
     *         the body, what it means, and the canary line the probe needs to prove anything
     */
    private function probes(): array
    {
        $site = $this->siteUrl . '/';
        $archives = $this->archiveUrl . '/';
        $runsOrShows = static fn (string $source): Closure
            => static fn (string $body): bool => $body === '' || str_contains($body, $source);
        $contains = static fn (string $text): Closure => static fn (string $body): bool => str_contains($body, $text);
        $is = static fn (string $bytes): Closure => static fn (string $body): bool => $body === $bytes;
        $lists = static fn (string $names): Closure
            => static fn (string $body): bool => preg_match('#href="[^"]*(' . $names . ')#i', $body) === 1;

        $probes = [
            ['database', $site . 'data/' . SiteGuards::INDEX_FILE, $is(SiteGuards::INDEX_PAGE),
                'is served: the folder of the SQLite database is open, and the database downloads for anyone who learns its name', null],
            ['database', $site . 'data/site.sqlite', static fn (string $body): bool => str_starts_with($body, "SQLite format 3\0"),
                'is served: the whole database, with every thanks key in it', null],
            ['config.php', $site . 'config.php', $runsOrShows('sSecretKey'),
                'is served: the server runs it, or shows the database password and the secret key in it; it must answer 403 or 404', null],
            ['kit-settings.php', $site . 'kit-settings.php', $runsOrShows('return'),
                'is served: the server runs it, or shows the kit\'s settings; it must answer 403 or 404', null],
            ['lib/', $site . 'lib/autoload.php', $runsOrShows('spl_autoload_register'), 'is served: the kit\'s internals are open', null],
            ['.htaccess', $site . '.htaccess', $contains('Require all denied'), 'is served: the kit\'s rules are shown, not followed', null],
            ['.htaccess', $site . 'data/.htaccess', $contains('Require all denied'), 'is served: the kit\'s rules are shown, not followed', null],
            ['listing', $site, $lists('actions\.php|check-site-canary'), 'lists the kit\'s files', null],
            ['listing', $site . 'data/', $lists('\.sqlite'), 'lists the database', null],
            ['listing', $site . 'lib/', $lists('autoload\.php'), 'lists the kit\'s internals', null],
        ];
        // Folders that need not be uploaded; when the kit says they are not there, nothing can show.
        if (!$this->canaries->knows() || $this->canaries->has('site tests/')) {
            $probes[] = ['tests/', $site . 'tests/phpunit.xml', $contains('<phpunit'), 'is served: the kit\'s tests are open (they need not be uploaded)', null];
            $probes[] = ['listing', $site . 'tests/', $lists('phpunit\.xml|Test\.php'), 'lists the kit\'s tests', null];
        }
        if (!$this->canaries->knows() || $this->canaries->has('site hosting/')) {
            $probes[] = ['hosting/', $site . 'hosting/check-site.php', $contains('check-site'),
                'is served: the server configurations and this check are open (they need not be uploaded)', null];
            $probes[] = ['listing', $site . 'hosting/', $lists('check-site\.php|nginx\.conf'), 'lists the server configurations', null];
        }
        foreach (SiteGuards::backups() as $name) {
            // A seller's real backup would be worse than the canary: any body counts.
            $probes[] = ['backup', $site . $name, static fn (string $body): bool => $body !== '',
                'is served as text: so would be a real backup of ' . strstr($name, '.php', true) . '.php, with everything in it', 'site ' . $name];
        }
        if ($this->archiveUrl !== $this->siteUrl) {
            $probes[] = ['listing', $archives, $lists('check-site-canary'), 'lists the archive root', null];
        }
        $probes[] = ['listing', $archives . SiteGuards::CANARY_FOLDER . '/', $lists('check-site-canary\.png'),
            'lists a folder of the archive root: so would every product\'s folder without an index page, archives and all',
            'archive ' . SiteGuards::CANARY_FOLDER . '/'];
        $probes[] = ['picture', $archives . SiteGuards::CANARY_PICTURE, $is(SiteGuards::picture()),
            'is served: the server sends files from inside product folders; pictures and style sheets belong in the kit\'s'
            . ' folder or its assets/ folder, and the server\'s rules are not the kit\'s current ones', 'archive ' . SiteGuards::CANARY_PICTURE];
        foreach (SiteGuards::CANARIES as $canary) {
            $probes[] = ['archive', $archives . $canary, $is(SiteGuards::canary($canary)),
                'downloads without a ticket: so do the products\' archives', 'archive ' . $canary];
        }
        return $probes;
    }
}

/**
 * Whether actions.php answers a stranger because a proxy on the server hands it every request as
 * the server's own, adding no header that would tell: the server check, posted as the console
 * posts it, reports the peer actions.php saw, to compare with the address and port this end of
 * the connection has. Nothing but the server check is ever sent: its reply holds no product and no
 * key.
 */
final class ActionsProbe
{
    private const REPLY_BYTES = 65536;

    public function __construct(private readonly string $siteUrl)
    {
    }

    public function run(Findings $findings): void
    {
        $url = $this->siteUrl . '/actions.php';
        [$status, $headers, $body, $local] = $this->postServerCheck($url);
        $peer = $headers[strtolower(ActionsEndpoint::PEER_HEADER)] ?? null;
        if ($peer !== null) {
            if (preg_match('/^(\S{1,45}) ([0-9]{1,5})$/D', $peer, $m) !== 1 || $local === null) {
                $findings->unverified('actions.php', $url, 'its ' . ActionsEndpoint::PEER_HEADER . ' header is no address and port');
            } elseif (!self::sameEnd([$m[1], (int) $m[2]], $local) && self::isLoopback($m[1])) {
                $findings->exposed('actions.php', $url, 'answers strangers: a proxy on the server passes their requests'
                    . ' on as the server\'s own (see README)');
            }
            // The same address and port: a direct connection. Another address: translated on the way
            // (NAT), and the allowlist judged the address the server saw.
            return;
        }
        $unsettled = SiteRequest::unsettled($status);
        if ($status === 200 && $body === ActionsEndpoint::OK) {
            $findings->unverified('actions.php', $url, 'it answers the server check without saying from which address'
                . ' it came (an older kit), so a proxy on the server that adds no header cannot be told from the seller');
        } elseif ($unsettled !== null || $status < 400) {
            $findings->unverified('actions.php', $url, $unsettled ?? "the server check was answered with {$status}");
        }
        // Refused (403), or not there at all: no stranger gets anything from it.
    }

    /** @return array{int, array<string, string>, string, ?array{string, int}} status, headers, body, this end's address and port */
    private function postServerCheck(string $url): array
    {
        $parts = parse_url($url);
        $https = strtolower($parts['scheme'] ?? '') === 'https';
        $host = $parts['host'] ?? '';
        $port = $parts['port'] ?? ($https ? 443 : 80);
        $context = stream_context_create(['ssl' => ['peer_name' => trim($host, '[]'), 'SNI_enabled' => true]]);
        $socket = @stream_socket_client(($https ? 'tls://' : 'tcp://') . $host . ':' . $port, $errno, $error, 20,
            STREAM_CLIENT_CONNECT, $context);
        if ($socket === false) {
            return [0, [], '', null];
        }
        stream_set_timeout($socket, 20);
        $local = self::splitAddress((string) stream_socket_get_name($socket, false));
        // The console's form, byte for byte: its boundary is "--------" and the local time.
        $boundary = '--------' . date('mdyHis') . sprintf('%03d', (int) (microtime(true) * 1000) % 1000);
        $body = "--{$boundary}\r\nContent-Disposition: form-data; name=\"action\"\r\n\r\n1\r\n"
            . "--{$boundary}\r\nContent-Disposition: form-data; name=\"end\"\r\n\r\n\r\n\r\n--{$boundary}--\r\n";
        $authority = $host . (isset($parts['port']) ? ':' . $parts['port'] : '');
        fwrite($socket, 'POST ' . ($parts['path'] ?? '/') . " HTTP/1.0\r\nConnection: close\r\n"
            . "Content-Type: multipart/form-data; boundary={$boundary}\r\nContent-Length: " . strlen($body) . "\r\n"
            . "Host: {$authority}\r\nAccept: text/html, */*\r\nUser-Agent: check-site.php\r\n\r\n" . $body);
        $raw = (string) stream_get_contents($socket, self::REPLY_BYTES);
        $timedOut = stream_get_meta_data($socket)['timed_out'];
        fclose($socket);
        $split = strpos($raw, "\r\n\r\n");
        if ($timedOut || $split === false || preg_match('#^HTTP/[0-9.]+ ([0-9]{3})#', $raw, $m) !== 1) {
            return [0, [], '', $local];
        }
        $headers = [];
        foreach (array_slice(explode("\r\n", substr($raw, 0, $split)), 1) as $line) {
            if (str_contains($line, ':')) {
                [$name, $value] = explode(':', $line, 2);
                $headers[strtolower(trim($name))] = trim($value);
            }
        }
        return [(int) $m[1], $headers, substr($raw, $split + 4), $local];
    }

    /** @return array{string, int}|null "1.2.3.4:5" and "[::1]:5" as address and port */
    private static function splitAddress(string $name): ?array
    {
        $colon = strrpos($name, ':');
        return $colon === false ? null : [trim(substr($name, 0, $colon), '[]'), (int) substr($name, $colon + 1)];
    }

    /** @param array{string, int} $a @param array{string, int} $b */
    private static function sameEnd(array $a, array $b): bool
    {
        return $a[1] === $b[1] && self::packed($a[0]) !== null && self::packed($a[0]) === self::packed($b[0]);
    }

    private static function isLoopback(string $address): bool
    {
        $packed = self::packed($address);
        return $packed !== null && ($packed === inet_pton('::1') || (strlen($packed) === 4 && $packed[0] === "\x7f"));
    }

    /** The address in binary, an IPv4 address seen through an IPv6 socket (::ffff:a.b.c.d) as IPv4. */
    private static function packed(string $address): ?string
    {
        $packed = @inet_pton($address);
        if ($packed === false) {
            return null;
        }
        return strlen($packed) === 16 && str_starts_with($packed, str_repeat("\0", 10) . "\xff\xff") ? substr($packed, 12) : $packed;
    }
}

/**
 * Whether the web server delivers what the kit hands it with send_with: the kit hands over a
 * canary of its own, random each time, and learns from its digest whether it arrived.
 */
final class HandOverProbe
{
    private const CANARY_BYTES = 65536;

    public function __construct(private readonly string $siteUrl)
    {
    }

    public function run(Findings $findings): void
    {
        $url = $this->siteUrl . '/download.php?proof=start';
        // One byte more than a canary may have, to see one that is too long.
        [$status, $body] = SiteRequest::get($url, self::CANARY_BYTES + 1);
        if ($status === 204) {
            // send_with 'php': nothing is handed over.
            return;
        }
        if ($status !== 200 || strlen($body) > self::CANARY_BYTES) {
            $findings->unverified('hand-over', $url, match (true) {
                $status === 500 => 'the kit refuses send_with on this server (see the server\'s error log)',
                $status === 200 => 'more than 64 KiB came back for a canary of at most 64 KiB',
                $status > 500 => SiteRequest::unsettled($status) . ' (see the server\'s error log)',
                default => SiteRequest::unsettled($status) ?? "answered {$status}: the kit cannot show that the web server"
                    . ' delivers what send_with hands it (an older kit?)',
            });
            return;
        }
        $proof = $this->siteUrl . '/download.php?proof=' . hash('sha256', $body);
        [$status] = SiteRequest::get($proof);
        if ($status === 409) {
            $findings->unverified('hand-over', $proof, 'the web server did not deliver the archive it was handed with send_with;'
                . ' the kit goes on sending with PHP');
        } elseif ($status !== 200) {
            $findings->unverified('hand-over', $proof, SiteRequest::unsettled($status) ?? "answered {$status} to the canary's digest");
        }
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
    // The kit's first request lays the canaries; a thanks page without a link is refused, which
    // also tells that a kit answers here at all.
    [$status] = SiteRequest::get($siteUrl . '/thanks.php');
    if (!in_array($status, [403, 429, 503], true)) {
        fwrite(STDERR, "check-site.php: no kit answers at {$siteUrl}: thanks.php answered "
            . ($status === 0 ? 'nothing' : "with status {$status}") . "\n");
        return 2;
    }
    $findings = new Findings();
    (new ExposureCheck($siteUrl, $urls[1] ?? $siteUrl, CanaryList::ask($siteUrl)))->run($findings);
    (new ActionsProbe($siteUrl))->run($findings);
    (new HandOverProbe($siteUrl))->run($findings);
    $lines = [...$findings->exposed, ...$findings->unverified];
    if ($lines === []) {
        echo "nothing exposed\n";
        return 0;
    }
    echo implode("\n", $lines), "\n";
    return $findings->exposed !== [] ? 1 : 2;
}

if (PHP_SAPI !== 'cli') {
    // Uploaded by mistake and asked for by a browser: nothing to run here.
    http_response_code(404);
    exit;
}
exit(checkSite(array_slice($argv, 1)));
