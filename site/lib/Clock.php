<?php
declare(strict_types=1);

namespace Vantrel\Kit;

// SystemClock, the real clock, lives in SystemClock.php: the autoloader finds one class per file.

/** Seconds since the Unix epoch; tests hand in a clock they can move. */
interface Clock
{
    public function now(): int;
}
