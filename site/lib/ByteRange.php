<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * What a Range header asks of a file of a given size: one range of bytes, the whole file (no
 * header, a header that is not for bytes or that this server does not take apart, several
 * ranges), or nothing it holds (416). Several ranges get the whole file: a download manager
 * asks for one at a time, and a multipart reply would not be worth the code.
 */
final class ByteRange
{
    public const WHOLE = 'whole';
    public const SINGLE = 'single';
    public const UNSATISFIABLE = 'unsatisfiable';

    private function __construct(public readonly string $kind, public readonly int $first = 0, public readonly int $last = -1)
    {
    }

    public static function whole(int $size): self
    {
        return new self(self::WHOLE, 0, $size - 1);
    }

    public static function parse(?string $header, int $size): self
    {
        if ($header === null || preg_match('/^\s*bytes\s*=\s*([^,]*?)\s*$/iD', $header, $m) !== 1) {
            return self::whole($size);
        }
        if (preg_match('/^([0-9]{1,18})-([0-9]{0,18})$/D', $m[1], $bounds) === 1) {
            $first = (int) $bounds[1];
            $last = $bounds[2] === '' ? $size - 1 : min((int) $bounds[2], $size - 1);
            if ($bounds[2] !== '' && (int) $bounds[2] < $first) {
                return self::whole($size);
            }
            return $first >= $size ? new self(self::UNSATISFIABLE) : new self(self::SINGLE, $first, $last);
        }
        if (preg_match('/^-([0-9]{1,18})$/D', $m[1], $suffix) === 1) {
            $length = (int) $suffix[1];
            return $length === 0 || $size === 0 ? new self(self::UNSATISFIABLE)
                : new self(self::SINGLE, max(0, $size - $length), $size - 1);
        }
        return self::whole($size);
    }

    public function length(): int
    {
        return $this->kind === self::UNSATISFIABLE ? 0 : $this->last - $this->first + 1;
    }
}
