<?php
declare(strict_types=1);

require_once __DIR__ . '/DevToolsClient.php';

/**
 * Debian's Chromium, headless, with a fresh profile, home and temporary folder of its own and
 * DevTools on a free port of 127.0.0.1. It asks for nothing beyond loopback: no sync, no component
 * updates, no background requests, no QUIC. stop() ends it with every process it started, and so
 * does the end of the PHP process, on Ctrl-C, SIGTERM and SIGHUP as well.
 */
final class HeadlessChromium
{
    public const BINARY = '/usr/bin/chromium';
    private const START_SECONDS = 30;

    /** @var resource|null */
    private $process;
    private string $devToolsAddress = '';

    private function __construct($process, private readonly string $dir)
    {
        $this->process = $process;
    }

    public static function start(): self
    {
        $dir = sys_get_temp_dir() . '/vantrel-chromium-' . bin2hex(random_bytes(6));
        mkdir($dir . '/profile', 0700, true);
        $log = $dir . '/chromium.log';
        $arguments = [self::BINARY, '--headless', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync',
            '--user-data-dir=' . $dir . '/profile', '--remote-debugging-port=0',
            // Chromium's sandbox refuses to run as root.
            ...(posix_getuid() === 0 ? ['--no-sandbox'] : []), 'about:blank'];
        self::endWithThisProcess();
        $process = proc_open($arguments, [0 => ['file', '/dev/null', 'r'], 1 => ['file', $log, 'a'], 2 => ['file', $log, 'a']],
            $pipes, $dir, ['HOME' => $dir, 'TMPDIR' => $dir] + getenv());
        if ($process === false) {
            throw new RuntimeException('cannot start ' . self::BINARY);
        }
        $browser = new self($process, $dir);
        register_shutdown_function($browser->stop(...));
        $deadline = microtime(true) + self::START_SECONDS;
        // Chromium names its DevTools address on stderr once it listens.
        while (preg_match('#DevTools listening on (ws://127\.0\.0\.1:[0-9]+/devtools/browser/[0-9a-f-]+)#',
                (string) file_get_contents($log, false, null, 0, 1 << 20), $m) !== 1) {
            if (!proc_get_status($process)['running'] || microtime(true) > $deadline) {
                $text = (string) file_get_contents($log, false, null, 0, 1 << 20);
                $browser->stop();
                throw new RuntimeException("Chromium did not start:\n" . substr($text, -4000));
            }
            usleep(50_000);
        }
        $browser->devToolsAddress = $m[1];
        return $browser;
    }

    public function devTools(): DevToolsClient
    {
        return new DevToolsClient($this->devToolsAddress);
    }

    /** Chromium's own messages, for a failure's message. */
    public function log(): string
    {
        return (string) @file_get_contents($this->dir . '/chromium.log', false, null, 0, 1 << 20);
    }

    public function stop(): void
    {
        if ($this->process !== null) {
            $pid = proc_get_status($this->process)['pid'];
            // Its zygote and renderers go with it; whatever outlives it by a few seconds is killed.
            $children = RealServer::descendants($pid);
            proc_terminate($this->process, SIGTERM);
            for ($i = 0; $i < 100 && proc_get_status($this->process)['running']; ++$i) {
                usleep(50_000);
            }
            foreach ([$pid, ...$children] as $left) {
                if (str_contains((string) @file_get_contents("/proc/{$left}/cmdline"), 'chromium')) {
                    posix_kill($left, SIGKILL);
                }
            }
            proc_close($this->process);
            $this->process = null;
        }
        if (is_dir($this->dir)) {
            exec('rm -rf ' . escapeshellarg($this->dir));
        }
    }

    /** Ctrl-C, SIGTERM and SIGHUP end the PHP process through its shutdown functions, which stop the browser. */
    private static function endWithThisProcess(): void
    {
        pcntl_async_signals(true);
        foreach ([SIGINT, SIGTERM, SIGHUP] as $signal) {
            if (pcntl_signal_get_handler($signal) === SIG_DFL) {
                pcntl_signal($signal, static fn (int $signal) => exit(128 + $signal));
            }
        }
    }
}
