<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * The console's product rows: each field in double quotes, fields joined by `","`, rows joined
 * by "^". The format has no escaping, so a value that holds one of its separators would shift or
 * cut the columns when the console splits the row; such values are never stored.
 */
final class RowFormat
{
    public const END = '^OK';

    /** @param list<string> $fields */
    public static function row(array $fields): string
    {
        return '"' . implode('","', $fields) . '"';
    }

    /**
     * Whether a name, folder or thanks page can travel in a row and mean to every reader what
     * it meant to the sender: not empty; no `,` `^` `"`, line break or other control byte; no
     * blank at either end (the console trims what it sends, so such a value would never match
     * what the seller typed); at most $maxBytes long.
     */
    public static function carries(string $value, int $maxBytes): bool
    {
        return $value !== ''
            && strlen($value) <= $maxBytes
            && strcspn($value, ",^\"\x7f" . implode('', array_map('chr', range(0, 31)))) === strlen($value)
            && $value[0] !== ' '
            && $value[-1] !== ' ';
    }
}
