<?php
declare(strict_types=1);

/** Seconds since the Unix epoch; tests hand in a clock they can move. */
interface Clock
{
    public function now(): int;
}
