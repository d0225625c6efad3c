<?php
declare(strict_types=1);

use Vantrel\Kit\Clock;
use Vantrel\Kit\Kit;
use Vantrel\Kit\KitSettings;
use Vantrel\Kit\Schema;

/**
 * A throw-away copy of the kit, as a seller would upload it, with its own config.php,
 * kit-settings.php and an empty database: SQLite in the copy's data folder, or MariaDB/MySQL when
 * VANTREL_TEST_DB=mysql names a server (VANTREL_TEST_MYSQL_HOST, _DATABASE, _USER, _PASSWORD).
 * The MySQL database is emptied of every table, so point it only at a scratch database.
 * serve() runs the copy under PHP's built-in server through its router, as `php -S` does for a
 * seller; request() then talks to it over a plain socket and reads the reply byte for byte.
 * With VANTREL_TEST_SERVER set to a kind of RealServer, one such server is started for the whole
 * run and every fixture is the kit in its one folder, copied afresh; serve() then has nothing to do.
 */
final class KitFixture
{
    private const SKIPPED = ['tests', 'hosting', 'data', Kit::CONFIG_FILE, KitSettings::FILE];
    // data/ goes up with its .htaccess only: a local run's database is no part of the kit.
    private const DATA_FILES = ['.htaccess'];

    private static ?RealServer $sharedServer = null;

    public readonly string $kitDir;
    public readonly ?RealServer $realServer;
    private string $rootDir = '';
    /** @var resource|null */
    private $server = null;
    private int $port = 0;

    /** @param array<string, string|int> $config values of config.php by variable name, without "$" */
    public function __construct(array $config = [], array $settings = [])
    {
        $this->realServer = self::sharedServer();
        if ($this->realServer !== null) {
            $this->kitDir = $this->realServer->kitDir;
            self::emptyFolder($this->kitDir);
            $this->port = $this->realServer->port;
        } else {
            $this->rootDir = sys_get_temp_dir() . '/vantrel-kit-' . bin2hex(random_bytes(6));
            $this->kitDir = $this->rootDir . '/site';
        }
        self::copyKit(dirname(__DIR__), $this->kitDir);
        $this->writeConfig($config);
        $this->writeSettings($settings);
        if (self::usesMysql()) {
            self::emptyMysql(Kit::fromDir($this->kitDir)->db());
        } else {
            Schema::create(Kit::fromDir($this->kitDir)->db());
        }
    }

    public static function usesMysql(): bool
    {
        return getenv('VANTREL_TEST_DB') === 'mysql';
    }

    /**
     * Writes config.php byte for byte as the console does. The database values come from the
     * environment when the suites run on MySQL; $values may set any variable.
     */
    public function writeConfig(array $values): void
    {
        $database = self::usesMysql() ? [
            'hostname' => (string) getenv('VANTREL_TEST_MYSQL_HOST'),
            'database' => (string) getenv('VANTREL_TEST_MYSQL_DATABASE'),
            'username' => (string) getenv('VANTREL_TEST_MYSQL_USER'),
            'password' => (string) getenv('VANTREL_TEST_MYSQL_PASSWORD'),
        ] : [];
        $values += $database + ['sExpireTimeout' => 0, 'sMaxDownloads' => 0, 'sMaxIPs' => 0];
        $text = "<?php\r\n";
        foreach (['hostname', 'database', 'username', 'password', 'sExpireTimeout', 'sMaxDownloads',
                  'sMaxIPs', 'sSecretKey'] as $name) {
            $text .= '  $' . $name . '="' . ($values[$name] ?? '') . "\";\r\n";
        }
        file_put_contents($this->kitDir . '/' . Kit::CONFIG_FILE, $text . "?>\r\n");
    }

    public function writeSettings(array $settings): void
    {
        file_put_contents($this->kitDir . '/' . KitSettings::FILE,
            "<?php\nreturn " . var_export($settings, true) . ";\n");
    }

    public function kit(?Clock $clock = null): Kit
    {
        $kit = Kit::fromDir($this->kitDir);
        return $clock === null ? $kit : new Kit($kit->config, $kit->settings, $clock);
    }

    /** The real server of the run, when there is one (VANTREL_TEST_SERVER), started on first use. */
    public static function sharedServer(): ?RealServer
    {
        $kind = getenv('VANTREL_TEST_SERVER');
        if (self::$sharedServer === null && is_string($kind) && $kind !== '') {
            $kitDir = sys_get_temp_dir() . '/vantrel-served-' . bin2hex(random_bytes(6)) . '/kit';
            mkdir($kitDir, 0777, true);
            self::$sharedServer = RealServer::start($kind, $kitDir);
            register_shutdown_function(static fn () => self::remove(dirname($kitDir)));
        }
        return self::$sharedServer;
    }

    /**
     * Starts `php -S` on a free loopback port with the kit's router; $env is added to its
     * environment and $ini are its -d settings, as a host would lock them.
     */
    public function serve(array $env = [], array $ini = []): void
    {
        if ($this->realServer !== null) {
            if ($env !== [] || $ini !== []) {
                throw new LogicException('a real server takes no environment or settings from a test');
            }
            return;
        }
        $this->stopBuiltinServer();
        $settings = [];
        foreach ($ini as $name => $value) {
            $settings[] = '-d';
            $settings[] = $name . '=' . $value;
        }
        $probe = stream_socket_server('tcp://127.0.0.1:0');
        $this->port = (int) substr(strrchr(stream_socket_get_name($probe, false), ':'), 1);
        fclose($probe);
        $this->server = proc_open(
            [PHP_BINARY, ...$settings, '-S', '127.0.0.1:' . $this->port, '-t', $this->rootDir, $this->kitDir . '/router.php'],
            [0 => ['file', '/dev/null', 'r'], 1 => ['file', '/dev/null', 'w'], 2 => ['file', '/dev/null', 'w']],
            $pipes,
            $this->rootDir,
            $env + getenv(),
        );
        for ($i = 0; $i < 250; ++$i) {
            $socket = @stream_socket_client('tcp://127.0.0.1:' . $this->port, $errno, $error, 1);
            if ($socket !== false) {
                fclose($socket);
                return;
            }
            usleep(20_000);
        }
        throw new RuntimeException('php -S did not start');
    }

    /** The process id of the running `php -S`, for benchmarks that watch its memory. */
    public function serverPid(): int
    {
        return $this->server === null ? 0 : proc_get_status($this->server)['pid'];
    }

    /** The port the kit is served on. */
    public function port(): int
    {
        return $this->port;
    }

    /** The site URL of the kit as it is served: what the seller enters in the console. */
    public function url(): string
    {
        return 'http://127.0.0.1:' . $this->port . ($this->realServer?->urlPath ?? '');
    }

    /**
     * Sends one request over a fresh connection and reads the reply to its end.
     * @param list<string> $headers further header lines; a "Host:" line replaces the server's own
     * @param string $from the loopback address the request comes from (127.0.0.2 and up: a stranger)
     * @param int|null $port another server's port in front of the kit, a proxy's
     */
    public function request(string $method, string $target, string $body = '', ?string $contentType = null,
                            array $headers = [], string $from = '127.0.0.1', ?int $port = null): HttpReply
    {
        $socket = $this->send($method, $target, $body, $contentType, $headers, $from, $port);
        $raw = stream_get_contents($socket);
        fclose($socket);
        return HttpReply::parse((string) $raw);
    }

    /**
     * GETs every target at once, each over its own connection from $from.
     * @param list<string> $targets
     * @param list<list<string>> $headers further header lines of each target's request, in the same order
     * @return list<HttpReply> in the order of $targets
     */
    public function requestsAtOnce(array $targets, string $from = '127.0.0.1', array $headers = []): array
    {
        $sockets = array_map(fn (string $target, int $i) => $this->send('GET', $target, '', null, $headers[$i] ?? [], $from, null),
            $targets, array_keys($targets));
        $raw = array_fill(0, count($sockets), '');
        $open = $sockets;
        while ($open !== []) {
            $read = $open;
            $none = null;
            if (stream_select($read, $none, $none, 30) < 1) {
                throw new RuntimeException('no reply within 30 s');
            }
            foreach ($read as $socket) {
                $index = array_search($socket, $sockets, true);
                $bytes = fread($socket, 65536);
                $raw[$index] .= (string) $bytes;
                if ($bytes === '' || $bytes === false) {
                    fclose($socket);
                    unset($open[array_search($socket, $open, true)]);
                }
            }
        }
        return array_map(static fn (string $reply): HttpReply => HttpReply::parse($reply), $raw);
    }

    /** Posts an action's form as the console builds it to /actions.php. */
    public function action(string $action, array $fields = [], array $headers = []): HttpReply
    {
        return $this->request('POST', '/actions.php', ConsoleForm::action($action, $fields), ConsoleForm::contentType(), $headers);
    }

    /** @return resource a connection on which the request has gone out whole */
    private function send(string $method, string $target, string $body, ?string $contentType, array $headers,
                          string $from, ?int $port)
    {
        $port ??= $this->port;
        $context = stream_context_create(['socket' => ['bindto' => $from . ':0']]);
        $socket = stream_socket_client("tcp://127.0.0.1:{$port}", $errno, $error, 5, STREAM_CLIENT_CONNECT, $context);
        if ($socket === false) {
            throw new RuntimeException('cannot connect: ' . $error);
        }
        stream_set_timeout($socket, 30);
        $target = ($this->realServer?->urlPath ?? '') . $target;
        $hasHost = preg_grep('/^Host:/i', $headers) !== [];
        $head = "{$method} {$target} HTTP/1.1\r\n" . ($hasHost ? '' : "Host: 127.0.0.1:{$port}\r\n") . "Connection: close\r\n";
        if ($contentType !== null) {
            $head .= "Content-Type: {$contentType}\r\n";
        }
        foreach ($headers as $line) {
            $head .= $line . "\r\n";
        }
        if ($body !== '' || $method === 'POST') {
            $head .= 'Content-Length: ' . strlen($body) . "\r\n";
        }
        fwrite($socket, $head . "\r\n" . $body);
        return $socket;
    }

    public function close(): void
    {
        $this->stopBuiltinServer();
        // The real server's folder is emptied by the next fixture and removed at the end of the run.
        if ($this->rootDir !== '') {
            self::remove($this->rootDir);
        }
    }

    private function stopBuiltinServer(): void
    {
        if ($this->server !== null) {
            // Workers (PHP_CLI_SERVER_WORKERS) are children that would outlive their parent.
            foreach (RealServer::descendants(proc_get_status($this->server)['pid']) as $worker) {
                posix_kill($worker, SIGTERM);
            }
            proc_terminate($this->server);
            proc_close($this->server);
            $this->server = null;
        }
    }

    private static function copyKit(string $from, string $to): void
    {
        is_dir($to) || mkdir($to, 0777, true);
        mkdir($to . '/data');
        foreach (self::DATA_FILES as $name) {
            copy($from . '/data/' . $name, $to . '/data/' . $name);
        }
        foreach (scandir($from) as $name) {
            if ($name === '.' || $name === '..' || in_array($name, self::SKIPPED, true)) {
                continue;
            }

            $source = $from . '/' . $name;
            if (is_dir($source)) {
                self::copyTree($source, $to . '/' . $name);
            } else {
                copy($source, $to . '/' . $name);
            }
        }
    }

    private static function copyTree(string $from, string $to): void
    {
        mkdir($to, 0777, true);
        foreach (scandir($from) as $name) {
            if ($name === '.' || $name === '..') {
                continue;
            }
            is_dir($from . '/' . $name) ? self::copyTree($from . '/' . $name, $to . '/' . $name)
                                        : copy($from . '/' . $name, $to . '/' . $name);
        }
    }

    private static function emptyFolder(string $folder): void
    {
        foreach (scandir($folder) as $name) {
            if ($name !== '.' && $name !== '..') {
                self::remove($folder . '/' . $name);
            }
        }
    }

    private static function remove(string $path): void
    {
        if (is_dir($path) && !is_link($path)) {
            foreach (scandir($path) as $name) {
                if ($name !== '.' && $name !== '..') {
                    self::remove($path . '/' . $name);
                }
            }
            rmdir($path);
        } elseif (file_exists($path) || is_link($path)) {
            unlink($path);
        }
    }

    private static function emptyMysql(PDO $db): void
    {
        $tables = $db->query('SHOW TABLES')->fetchAll(PDO::FETCH_COLUMN);
        foreach ($tables as $table) {
            $db->exec('DROP TABLE `' . str_replace('`', '``', $table) . '`');
        }
        Schema::create($db);
    }
}
