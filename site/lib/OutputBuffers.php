<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * PHP's output buffers between a reply and the server. A host may switch on handlers that change
 * the bytes (zlib.output_compression, an output_handler) and lock them where the seller cannot
 * see it; their output no longer matches a Content-Length worked out from the bytes echoed.
 */
final class OutputBuffers
{
    private const PLAIN = 'default output handler';

    /** Why the buffers would change the bytes even after dropAll(), or null when they would not. */
    public static function problem(): ?string
    {
        foreach (ob_get_status(true) as $buffer) {
            $removable = function_exists('ob_end_clean') && ($buffer['flags'] & PHP_OUTPUT_HANDLER_REMOVABLE) !== 0;
            if (!$removable && $buffer['name'] !== self::PLAIN) {
                return "the output handler \"{$buffer['name']}\" cannot be switched off";
            }
        }
        return null;
    }

    /**
     * Drops every buffer, with what it holds (a stray byte before a reply is a fault, never part
     * of it). True when what is echoed from now on goes out unchanged.
     */
    public static function dropAll(): bool
    {
        while (ob_get_level() > 0 && function_exists('ob_end_clean') && @ob_end_clean()) {
        }
        foreach (ob_get_status(true) as $buffer) {
            if ($buffer['name'] !== self::PLAIN) {
                return false;
            }
        }
        return true;
    }
}
