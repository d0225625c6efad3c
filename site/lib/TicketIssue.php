<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * What a thanks page visit gets: a ticket with what is left of its limits, or, when every live
 * ticket of the visitor's is used up, the time from which a visit can issue a new one.
 */
final class TicketIssue
{
    /**
     * @param int|null $downloadsLeft null when the seller set no download limit
     * @param int|null $addressesLeft null when the seller set no address limit
     */
    private function __construct(
        public readonly ?string $token,
        public readonly ?int $downloadsLeft = null,
        public readonly ?int $addressesLeft = null,
        public readonly int $renewsAt = 0,
    ) {
    }

    public static function ticket(string $token, ?int $downloadsLeft, ?int $addressesLeft): self
    {
        return new self($token, $downloadsLeft, $addressesLeft);
    }

    public static function usedUp(int $renewsAt): self
    {
        return new self(null, renewsAt: $renewsAt);
    }
}
