<?php
declare(strict_types=1);

namespace VantrelDemo;

// A zip archive whose members are stored uncompressed: what the demo's sample products need,
// without the zip or zlib extensions that a bare php-cli may lack.
final class StoredZip
{
    /** @param array<string, string> $files member name => bytes, in archive order */
    public static function build(array $files): string
    {
        $archive = '';
        $directory = '';
        foreach ($files as $name => $bytes) {
            $name = (string) $name;
            // version 1.0, no flags, method 0 (stored), DOS time 00:00 of 1 Jan 2026
            $common = pack('vvvvvVVVv', 10, 0, 0, 0, (2026 - 1980) << 9 | 1 << 5 | 1,
                crc32($bytes), strlen($bytes), strlen($bytes), strlen($name));
            $directory .= "PK\x01\x02" . pack('v', 10) . $common
                . pack('vvvvVV', 0, 0, 0, 0, 0, strlen($archive)) . $name;
            $archive .= "PK\x03\x04" . $common . pack('v', 0) . $name . $bytes;
        }
        return $archive . $directory . "PK\x05\x06"
            . pack('vvvvVVv', 0, 0, count($files), count($files), strlen($directory), strlen($archive), 0);
    }
}
