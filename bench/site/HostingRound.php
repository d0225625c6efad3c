<?php
declare(strict_types=1);

use Vantrel\Kit\SendWith;

/**
 * One round of bench/site/hosting: the downloads fetched statically or through tickets, under the
 * kit settings the round runs with.
 */
final class HostingRound
{
    /** @param SendWith|null $sendWith null for the static file */
    public function __construct(
        public readonly ?SendWith $sendWith,
        public readonly bool $persistent,
        public readonly SendWith $settingsSendWith,
    ) {
    }

    public function isStatic(): bool
    {
        return $this->sendWith === null;
    }

    /** The round's name in the RESULT keys: static, php, offload, each with _persistent after it when so. */
    public function name(): string
    {
        $name = match (true) {
            $this->sendWith === null => 'static',
            $this->sendWith === SendWith::Php => 'php',
            default => 'offload',
        };
        return $name . ($this->persistent ? '_persistent' : '');
    }

    /** @return array<string, string|bool> kit-settings.php for the round */
    public function settings(): array
    {
        return ['send_with' => $this->settingsSendWith->value, 'db_persistent' => $this->persistent];
    }

    public function label(): string
    {
        return ($this->sendWith === null ? 'static file' : $this->sendWith->value)
            . ($this->persistent ? ', persistent connection' : '');
    }
}
