<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * The key a thanks link carries beside the product code. Derived from the seller's secret key, so
 * a new secret in config.php invalidates every link handed out before. No usable secret, no key:
 * the site then issues no download at all rather than one that anyone could forge. The console's
 * Settings dialog takes any text, so a secret short enough to be guessed from one key does not count.
 */
final class ThanksKey
{
    public const MIN_SECRET_BYTES = 16;
    private const LENGTH = 32;

    public static function isUsableSecret(string $secret): bool
    {
        return strlen($secret) >= self::MIN_SECRET_BYTES;
    }

    public static function compute(string $secret, string $code): string
    {
        if (!self::isUsableSecret($secret)) {
            return '';
        }
        return substr(hash_hmac('sha256', $code, $secret), 0, self::LENGTH);
    }

    public static function matches(string $secret, string $code, string $given): bool
    {
        return self::isUsableSecret($secret) && hash_equals(self::compute($secret, $code), $given);
    }
}
