<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * Addresses and networks (CIDR, IPv4 and IPv6) that may call actions.php. An entry that is not a
 * valid address or network allows nothing; an address that does not parse is never allowed.
 * IPv4 clients seen through an IPv6 socket (::ffff:a.b.c.d) count as their IPv4 address.
 */
final class AddressAllowlist
{
    /** @param list<array{string, int}> $networks packed network address and prefix length */
    private function __construct(private readonly array $networks)
    {
    }

    /** @param list<string> $entries */
    public static function fromList(array $entries): self
    {
        $networks = [];
        foreach ($entries as $entry) {
            $network = self::parseNetwork(trim((string) $entry));
            if ($network !== null) {
                $networks[] = $network;
            }
        }
        return new self($networks);
    }

    public function allows(string $address): bool
    {
        $packed = self::pack($address);
        if ($packed === null) {
            return false;
        }
        foreach ($this->networks as [$network, $prefix]) {
            if (strlen($network) === strlen($packed) && self::samePrefix($network, $packed, $prefix)) {
                return true;
            }
        }
        return false;
    }

    /** @return array{string, int}|null */
    private static function parseNetwork(string $entry): ?array
    {
        $slash = strpos($entry, '/');
        $address = $slash === false ? $entry : substr($entry, 0, $slash);
        $isV4Text = !str_contains($address, ':');
        $packed = self::pack($address);
        if ($packed === null) {
            return null;
        }
        $bits = strlen($packed) * 8;
        if ($slash === false) {
            return [$packed, $bits];
        }
        $prefixText = substr($entry, $slash + 1);
        if (preg_match('/^[0-9]{1,3}$/', $prefixText) !== 1) {
            return null;
        }
        $prefix = (int) $prefixText;
        // A mapped network written in IPv6 form counts its prefix over 128 bits.
        if (!$isV4Text && strlen($packed) === 4) {
            $prefix -= 96;
        }
        return ($prefix < 0 || $prefix > $bits) ? null : [$packed, $prefix];
    }

    /** The address's bytes, 4 for IPv4 (mapped ones too) and 16 for IPv6, or null when it is none. */
    public static function pack(string $address): ?string
    {
        if ($address === '' || filter_var($address, FILTER_VALIDATE_IP) === false) {
            return null;
        }
        $packed = inet_pton($address);
        if ($packed === false) {
            return null;
        }
        if (strlen($packed) === 16 && str_starts_with($packed, str_repeat("\0", 10) . "\xff\xff")) {
            return substr($packed, 12);
        }
        return $packed;
    }

    private static function samePrefix(string $a, string $b, int $prefix): bool
    {
        $whole = intdiv($prefix, 8);
        if (substr($a, 0, $whole) !== substr($b, 0, $whole)) {
            return false;
        }
        $rest = $prefix % 8;
        if ($rest === 0) {
            return true;
        }
        $mask = (0xff << (8 - $rest)) & 0xff;
        return ((ord($a[$whole]) ^ ord($b[$whole])) & $mask) === 0;
    }
}
