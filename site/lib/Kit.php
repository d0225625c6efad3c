<?php
declare(strict_types=1);

namespace Vantrel\Kit;

use PDO;

/** What a public script of the kit needs, read from the kit folder once per request. */
final class Kit
{
    public const CONFIG_FILE = 'config.php';

    private ?PDO $db = null;

    public function __construct(
        public readonly SiteConfig $config,
        public readonly KitSettings $settings,
        public readonly Clock $clock,
    ) {
    }

    public static function fromDir(string $kitDir): self
    {
        return new self(
            SiteConfig::load($kitDir . '/' . self::CONFIG_FILE),
            KitSettings::load($kitDir),
            new SystemClock(),
        );
    }

    /** Opened on first use, so that a refused request never touches the database. */
    public function db(): PDO
    {
        return $this->db ??= Database::open($this->config, $this->settings);
    }
}
