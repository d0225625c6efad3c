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
 * - a loopback peer whose request carries a forwarding header is a proxy on the same machine
 *   passing on a stranger's request, not the seller;
 * - the peer's address is on the allowlist.
 */
final class ActionsGate
{
    private const BROWSER_HEADERS = '/^HTTP_(ORIGIN|SEC_FETCH_[A-Z0-9_]*)$/D';
    private const FORWARDING_HEADERS = ['HTTP_FORWARDED', 'HTTP_X_FORWARDED_FOR', 'HTTP_X_REAL_IP', 'HTTP_VIA'];
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
            && !($this->forwarded($server) && AddressAllowlist::fromList(self::LOOPBACK)->allows($peer))
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

    private function forwarded(array $server): bool
    {
        foreach (self::FORWARDING_HEADERS as $header) {
            if (isset($server[$header])) {
                return true;
            }
        }
        return false;
    }
}
