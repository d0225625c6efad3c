<?php
declare(strict_types=1);

namespace Vantrel\Kit;

final class Request
{
    /**
     * The address the connection came from. Forwarding headers are ignored on purpose: any
     * client can send them, and the allowlist and the download limits would believe it.
     */
    public static function clientAddress(): string
    {
        $address = $_SERVER['REMOTE_ADDR'] ?? '';
        return is_string($address) ? $address : '';
    }
}
