<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * download.php?check=canaries: which of SiteGuards' canaries are in place, so that check-site.php
 * knows which of its probes can prove anything (a probe of a file that is not there answers 404 on
 * any server), and whether the kit folder holds hosting/ and tests/, which need not be uploaded.
 * Public and without a ticket: it names only the canaries and those two folders, nothing about
 * the products. One line each, "site NAME" for the kit folder, "archive NAME" for the archive root.
 */
final class CanaryReport
{
    public const QUERY = 'canaries';
    private const UPLOADED_BY_MISTAKE = ['hosting', 'tests'];

    public function __construct(private readonly KitSettings $settings)
    {
    }

    /** @param array<string, mixed> $query the request's query parameters */
    public static function isAsked(array $query): bool
    {
        return ($query['check'] ?? null) === self::QUERY;
    }

    public function reply(): PageReply
    {
        return new PageReply(200, implode('', array_map(static fn (string $line): string => $line . "\n", $this->lines())),
            ['Content-Type' => 'text/plain']);
    }

    /** @return list<string> */
    public function lines(): array
    {
        $root = $this->settings->archiveRoot;
        $kitDir = $this->settings->kitDir;
        $lines = [];
        foreach ([...SiteGuards::CANARIES, SiteGuards::CANARY_PICTURE] as $name) {
            if (is_file($root . '/' . $name)) {
                $lines[] = 'archive ' . $name;
            }
        }
        // Only without an index page does a listing of it show what a server lists.
        $folder = $root . '/' . SiteGuards::CANARY_FOLDER;
        if (is_dir($folder) && !SiteGuards::hasIndexPage($folder)) {
            $lines[] = 'archive ' . SiteGuards::CANARY_FOLDER . '/';
        }
        foreach (SiteGuards::backups() as $name) {
            if (is_file($kitDir . '/' . $name)) {
                $lines[] = 'site ' . $name;
            }
        }
        foreach (self::UPLOADED_BY_MISTAKE as $name) {
            if (is_dir($kitDir . '/' . $name)) {
                $lines[] = 'site ' . $name . '/';
            }
        }
        return $lines;
    }
}
