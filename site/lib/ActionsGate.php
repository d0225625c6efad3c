<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * Whether a request to actions.php may manage the products. The console's protocol carries no
 * credentials, so the request itself has to show that it is the console's, sent from an address
 * the seller allows:
 * - a browser, and only a browser, sends Origin with a form post and Sec-Fetch-* with every
 *   request; the console sends neither. Without this, any page the seller opens on an allowed
 *   address could post a form that deletes every product;
 * - with 'actions_hosts' set, the Host must be one of them: a page whose own name has been made
 *   to resolve to the seller's server (DNS rebinding) sends that name;
 * - a loopback peer whose request carries any of the usual client-address headers is a proxy on
 *   the same machine passing on a stranger's request, not the seller (a proxy that adds none is
 *   found by check-site.php, through the peer that the server check reports);
 * - the peer's address is on the allowlist.
 */
final class ActionsGate
{
    private const BROWSER_HEADERS = '/^HTTP_(ORIGIN|SEC_FETCH_[A-Z0-9_]*)$/D';
    // Every header in which proxies and CDNs pass the client's address on: X-Forwarded-* of any
    // name, Forwarded, X-Real-IP, Via, and the CDNs' own.
    private const FORWARDING_HEADERS = '/^HTTP_(X_FORWARDED(_[A-Z0-9_]*)?|FORWARDED|X_REAL_IP|VIA|CF_CONNECTING_IP|'
        . 'TRUE_CLIENT_IP|X_CLIENT_IP|FASTLY_CLIENT_IP)$/D';
    private const LOOPBACK = ['127.0.0.0/8', '::1'];
    // A name, or an IPv6 address in brackets, and an optional port.
    private const HOST = '/^(\[[0-9A-Fa-f:.]+\]|[^:\[\]\/@]+)(?::[0-9]{1,5})?$/D';

    /** @param list<string> $hosts */
    public function __construct(private readonly AddressAllowlist $allowlist, private readonly array $hosts)
    {
    }

    public static function forSettings(KitSettings $settings): self
    {
        return new self(AddressAllowlist::fromList($settings->actionsAllow), $settings->actionsHosts);
    }

    /** @param array<string, mixed> $server the request as $_SERVER describes it */
    public function admits(array $server): bool
    {
        $peer = is_string($server['REMOTE_ADDR'] ?? null) ? $server['REMOTE_ADDR'] : '';
        return preg_grep(self::BROWSER_HEADERS, array_keys($server)) === []
            && $this->hostAllowed($server['HTTP_HOST'] ?? null)
            && !(preg_grep(self::FORWARDING_HEADERS, array_keys($server)) !== []
                 && AddressAllowlist::fromList(self::LOOPBACK)->allows($peer))
            && $this->allowlist->allows($peer);
    }

    /**
     * Names are compared without their ports, in any letter case: a rebinding page differs in its
     * name, and some servers (Debian's nginx) hand PHP the Host without its port.
     */
    private function hostAllowed(mixed $host): bool
    {
        if ($this->hosts === []) {
            return true;
        }
        $name = is_string($host) ? self::name($host) : null;
        foreach ($this->hosts as $entry) {
            if ($name !== null && self::name(trim($entry)) === $name) {
                return true;
            }
        }
        return false;
    }

    private static function name(string $host): ?string
    {
        return preg_match(self::HOST, $host, $m) === 1 ? strtolower($m[1]) : null;
    }
}
