<?php
declare(strict_types=1);

namespace Vantrel\Kit;

use RuntimeException;

/**
 * The seller's own settings of the kit: kit-settings.php in the kit folder, a PHP file that
 * returns an array. The console never writes it. Missing file or key: the default applies.
 * Keys: 'actions_allow' (addresses and networks that may call actions.php), 'actions_hosts'
 * (the Host names actions.php answers to, empty = any), 'archive_root'
 * (folder of the product folders, null = the kit folder), 'data_dir' (folder of the SQLite file,
 * null = data/ in the kit folder), 'thanks_wrong_tries' and 'thanks_block_minutes' (the wrong-try
 * throttle of thanks.php, read through get()), 'send_with' (who sends the archives' bytes),
 * 'db_persistent' (a persistent MySQL connection).
 * Relative folders are taken from the kit folder.
 */
final class KitSettings
{
    public const FILE = 'kit-settings.php';
    public const DEFAULT_ACTIONS_ALLOW = ['127.0.0.1', '::1'];

    /**
     * @param list<string> $actionsAllow
     * @param list<string> $actionsHosts
     */
    private function __construct(
        public readonly string $kitDir,
        public readonly string $archiveRoot,
        public readonly string $dataDir,
        public readonly array $actionsAllow,
        public readonly array $actionsHosts,
        private readonly array $values,
    ) {
    }

    public static function load(string $kitDir): self
    {
        $file = $kitDir . '/' . self::FILE;
        if (!is_file($file)) {
            return self::fromArray($kitDir, []);
        }
        $values = (static fn (string $f): mixed => include $f)($file);
        if (!is_array($values)) {
            // Silently falling back to defaults could open another database than the seller meant.
            throw new RuntimeException(self::FILE . ' must return an array');
        }
        return self::fromArray($kitDir, $values);
    }

    public static function fromArray(string $kitDir, array $values): self
    {
        return new self(
            $kitDir,
            self::folder($kitDir, $values['archive_root'] ?? null, $kitDir),
            self::folder($kitDir, $values['data_dir'] ?? null, $kitDir . '/data'),
            self::texts($values, 'actions_allow', self::DEFAULT_ACTIONS_ALLOW, 'addresses'),
            self::texts($values, 'actions_hosts', [], 'host names'),
            $values,
        );
    }

    /** @return list<string> */
    private static function texts(array $values, string $key, array $default, string $what): array
    {
        $list = $values[$key] ?? $default;
        if (!is_array($list)) {
            throw new RuntimeException("'{$key}' must be a list of {$what}");
        }
        return array_values(array_map('strval', $list));
    }

    /**
     * Read only where a download is sent, so that a mistyped value stops the downloads, where the
     * seller looks, and not the product management.
     */
    public function sendWith(): SendWith
    {
        $value = $this->get('send_with', SendWith::Php->value);
        $sendWith = is_string($value) ? SendWith::tryFrom($value) : null;
        if ($sendWith === null) {
            throw new RuntimeException("'send_with' in " . self::FILE . " must be 'php', 'x-sendfile' or 'x-accel-redirect'");
        }
        return $sendWith;
    }

    /** Any further key of the file, as written there; $default when it is missing. */
    public function get(string $key, mixed $default = null): mixed
    {
        return array_key_exists($key, $this->values) ? $this->values[$key] : $default;
    }

    private static function folder(string $kitDir, mixed $value, string $default): string
    {
        if ($value === null || $value === '') {
            return $default;
        }
        if (!is_string($value)) {
            throw new RuntimeException('folders in ' . self::FILE . ' must be texts');
        }
        $absolute = str_starts_with($value, '/') || preg_match('#^[A-Za-z]:[\\\\/]#', $value) === 1;
        return rtrim($absolute ? $value : $kitDir . '/' . $value, '/\\');
    }
}
