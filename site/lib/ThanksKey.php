<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * The key a thanks link carries beside the product code. Derived from the seller's secret key, so
 * a new secret in config.php invalidates every link handed out before. No secret, no key: the
 * site then issues no download at all rather than one that anyone could forge.
 */
final class ThanksKey
{
    private const LENGTH = 32;

    public static function compute(string $secret, string $code): string
    {
        if ($secret === '') {
            return '';
        }
        return substr(hash_hmac('sha256', $code, $secret), 0, self::LENGTH);
    }

    public static function matches(string $secret, string $code, string $given): bool
    {
        if ($secret === '') {
            return false;
        }
        return hash_equals(self::compute($secret, $code), $given);
    }
}
