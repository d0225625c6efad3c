<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * The seller's three limits on one download ticket. The console stores whatever number the seller
 * typed, negative ones included; a limit of 0 or below is off, since no count of hours, downloads
 * or addresses below one means anything but "no limit set".
 */
final class TicketLimits
{
    public const EXPIRED = 'expired';
    public const DOWNLOADS = 'downloads';
    public const ADDRESSES = 'addresses';
    private const KEPT_WITHOUT_LIFETIME = 30 * 24 * 3600;

    public readonly int $expireHours;
    public readonly int $maxDownloads;
    public readonly int $maxAddresses;

    public function __construct(int $expireHours, int $maxDownloads, int $maxAddresses)
    {
        $this->expireHours = max(0, $expireHours);
        $this->maxDownloads = max(0, $maxDownloads);
        $this->maxAddresses = max(0, $maxAddresses);
    }

    public static function fromConfig(SiteConfig $config): self
    {
        return new self($config->expireHours, $config->maxDownloads, $config->maxIps);
    }

    /**
     * Seconds a ticket is kept from its creation: its lifetime, or 30 days where the seller set
     * none. A ticket that is gone refuses its links like an unknown one; the thanks link makes new.
     */
    public function keptSeconds(): int
    {
        return $this->expireHours > 0 ? $this->expireHours * 3600 : self::KEPT_WITHOUT_LIFETIME;
    }

    /**
     * Which limit refuses a download that would be the ticket's next one, or null when it may go.
     * The ticket lives for exactly $expireHours hours from its creation; $downloadsBefore counts
     * the downloads it has already served; an address it has served before never counts anew.
     */
    public function refusal(int $created, int $now, int $downloadsBefore, bool $knownAddress, int $addressCount): ?string
    {
        if ($this->expireHours > 0 && $now - $created >= $this->expireHours * 3600) {
            return self::EXPIRED;
        }
        if ($this->maxDownloads > 0 && $downloadsBefore >= $this->maxDownloads) {
            return self::DOWNLOADS;
        }
        if ($this->maxAddresses > 0 && !$knownAddress && $addressCount >= $this->maxAddresses) {
            return self::ADDRESSES;
        }
        return null;
    }

    /** Downloads a ticket that has served $used may still serve; null when there is no limit. */
    public function downloadsLeft(int $used): ?int
    {
        return $this->maxDownloads > 0 ? max(0, $this->maxDownloads - $used) : null;
    }

    /** Client networks not yet known to a ticket that may still use it; null when there is no limit. */
    public function addressesLeft(int $known): ?int
    {
        return $this->maxAddresses > 0 ? max(0, $this->maxAddresses - $known) : null;
    }

    /** The sentence a refused buyer reads. */
    public static function explain(string $refusal): string
    {
        return match ($refusal) {
            self::EXPIRED => 'This download link has expired.',
            self::DOWNLOADS => 'This download link has reached its maximum number of downloads.',
            self::ADDRESSES => 'This download link has reached its maximum number of IP addresses.',
            default => 'This download link is not valid.',
        };
    }
}
