<?php
declare(strict_types=1);

namespace VantrelDemo;

// The update description "mainappupdate.inf" of the publisher's update folder. The version it
// offers comes from VANTREL_DEMO_UPDATE_VERSION, so the update dialog can be tried by hand:
// anything above the console's own 2.01 offers an update.
final class UpdateDescription
{
    public const DEFAULT_VERSION = '2.01';

    public static function text(string $version): string
    {
        return "[APPLICATION]\r\nName=Vantrel Oskel\r\nVersion=" . $version . "\r\n";
    }

    // The environment's value when it is one short line of printable ASCII (it goes into an INI
    // line as it stands), else the default.
    public static function offeredVersion(string|false $fromEnvironment): string
    {
        if (is_string($fromEnvironment) && preg_match('/\A[\x21-\x7E]{1,32}\z/', $fromEnvironment) === 1) {
            return $fromEnvironment;
        }
        return self::DEFAULT_VERSION;
    }
}
