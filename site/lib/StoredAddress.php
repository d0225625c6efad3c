<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/** A client address as the tables keep it: cut to their column, however long the server's text. */
final class StoredAddress
{
    public const MAX_BYTES = 100;

    public static function of(string $address): string
    {
        return substr($address, 0, self::MAX_BYTES);
    }

    /**
     * The network that stands for one client where a count must not be escaped by changing
     * address: an IPv4 address on its own (also written as ::ffff:a.b.c.d), an IPv6 address's /64,
     * which a single subscriber gets whole and can fill with addresses at will.
     */
    public static function network(string $address): string
    {
        $packed = AddressAllowlist::pack($address);
        if ($packed === null) {
            return self::of($address);
        }
        return strlen($packed) === 4 ? inet_ntop($packed) : inet_ntop(substr($packed, 0, 8) . str_repeat("\0", 8)) . '/64';
    }
}
