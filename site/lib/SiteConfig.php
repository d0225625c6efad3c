<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * The values of the config.php that the console writes. The file is read as text, never
 * executed: a hand-edited value with a stray `"` or `$` must not break the kit or pull in a PHP
 * variable. Each line `  $name="value";` gives the bytes between the first quote after "=" and
 * the last quote before the final ";". The console escapes `\`, `"` and `$` with a backslash
 * inside double quotes, so those three escapes are undone (and `\` and `'` inside single quotes,
 * as PHP would); every other byte, a lone backslash included, is taken as it stands.
 * A missing file or line leaves the value empty (0 for the limits).
 */
final class SiteConfig
{
    private function __construct(
        public readonly string $hostname,
        public readonly string $database,
        public readonly string $username,
        public readonly string $password,
        public readonly int $expireHours,
        public readonly int $maxDownloads,
        public readonly int $maxIps,
        public readonly string $secretKey,
    ) {
    }

    public static function load(string $file): self
    {
        $text = is_file($file) ? file_get_contents($file) : '';
        return self::parse($text === false ? '' : $text);
    }

    public static function parse(string $text): self
    {
        $values = [];
        foreach (preg_split('/\r\n|\n|\r/', $text) as $line) {
            // A seller who edits the file by hand may use single quotes or blanks around "=".
            if (preg_match('/^[ \t]*\$([A-Za-z_][A-Za-z0-9_]*)[ \t]*=[ \t]*(["\'])(.*)\2[ \t]*;[ \t]*$/s', $line, $m) === 1) {
                $values[$m[1]] = self::unescape($m[3], $m[2]);
            }
        }
        $text = static fn (string $name): string => $values[$name] ?? '';
        $number = static fn (string $name): int => self::number($values[$name] ?? '');
        return new self(
            $text('hostname'),
            $text('database'),
            $text('username'),
            $text('password'),
            $number('sExpireTimeout'),
            $number('sMaxDownloads'),
            $number('sMaxIPs'),
            $text('sSecretKey'),
        );
    }

    private static function unescape(string $value, string $quote): string
    {
        $escaped = $quote === '"' ? '/\\\\([\\\\"$])/' : "/\\\\([\\\\'])/";
        return preg_replace($escaped, '$1', $value);
    }

    // The console writes the limits as plain decimal; anything else, or a number beyond 32 bits,
    // counts as 0 (the limit switched off), which is how the console itself reads such a text.
    private static function number(string $text): int
    {
        if (preg_match('/^-?[0-9]{1,10}$/', $text) !== 1) {
            return 0;
        }
        $value = (int) $text;
        return ($value < -2147483648 || $value > 2147483647) ? 0 : $value;
    }
}
