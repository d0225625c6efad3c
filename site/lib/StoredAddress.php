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
}
