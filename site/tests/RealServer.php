<?php
declare(strict_types=1);

use Vantrel\Kit\SendWith;

/**
 * A web server in front of a kit folder, from Debian's packages, set up as sellers' hosts run it:
 *   'apache'       Apache 2.4 with mod_php and the kit's .htaccess files, allowed only what they
 *                  need (AllowOverride AuthConfig), and mod_xsendfile set up as its README says;
 *   'apache-conf'  Apache 2.4 with php-fpm through proxy_fcgi, AllowOverride None, and
 *                  hosting/apache.conf included;
 *   'apache-bare'  Apache 2.4 with mod_php as Debian sets up /var/www (AllowOverride None, folder
 *                  listings on) and no apache.conf: a host where the kit's rules are all missing;
 *   'nginx'        nginx with php-fpm and hosting/nginx.conf inside its server block;
 *   'nginx-bare'   nginx with php-fpm as Debian's default site is set up once PHP is switched on
 *                  (files served, a "location ~ \.php$" passing every .php to php-fpm) and no
 *                  nginx.conf of the kit's;
 * and proxy(): nginx as a reverse proxy on the same machine in front of one of them.
 * Each runs from a configuration of its own in a temporary folder, on a port of 127.0.0.1 that
 * was free, with the kit folder's parent as its document root: the kit's URL path is its folder
 * name. The shipped configurations get only the edits their comments ask a seller for. Servers
 * stop with stop(), at the end of the PHP process, and on SIGINT, SIGTERM and SIGHUP.
 * As root, the workers run as www-data, as on a host: the kit folder is handed to that user and
 * files made later are left writable for it.
 */
final class RealServer
{
    public const KINDS = ['apache', 'apache-conf', 'apache-bare', 'nginx', 'nginx-bare'];
    private const MODULES = '/usr/lib/apache2/modules';
    private const WORKER_USER = 'www-data';
    private const SHIPPED_KIT_DIR = '/var/www/html/kit';
    private const SHIPPED_URL_PATH = '/kit/';
    private const SHIPPED_SOCKET = 'unix:/run/php/php8.2-fpm.sock';
    private const START_SECONDS = 15;

    /** @var array<int, self> every server of this process that has not stopped */
    private static array $running = [];

    public readonly string $urlPath;
    public readonly int $port;
    private readonly string $dir;
    /** @var list<resource> the server's processes, the one started first first */
    private array $processes = [];

    /**
     * @param array{workers?: int, opcache?: bool} $options workers: PHP workers (prefork children
     *        or php-fpm children), 4 by default; opcache: off by default, since tests rewrite
     *        kit-settings.php and expect the change at once
     */
    public static function start(string $kind, string $kitDir, array $options = []): self
    {
        if (!in_array($kind, self::KINDS, true)) {
            throw new InvalidArgumentException("no server kind \"{$kind}\"; kinds: " . implode(', ', self::KINDS));
        }
        return self::launched($kind, $kitDir, static fn (self $server) =>
            $server->launch($kind, $kitDir, ($options['workers'] ?? 4), ($options['opcache'] ?? false)));
    }

    /**
     * nginx as a reverse proxy on this machine in front of the server at $upstreamPort, as shared
     * hosts put one in front of Apache: requests reach that server from 127.0.0.1, with the
     * client's Host and, unless $forwardingHeaders is false, the client's address in
     * X-Forwarded-For and X-Real-IP. Without them the server cannot tell a client from itself.
     */
    public static function proxy(int $upstreamPort, bool $forwardingHeaders = true): self
    {
        return self::launched('proxy', '', static fn (self $server) => $server->launchNginx(
            "        location / {\n            proxy_pass http://127.0.0.1:{$upstreamPort};\n"
            . "            proxy_set_header Host \$http_host;\n"
            . ($forwardingHeaders ? "            proxy_set_header X-Forwarded-For \$proxy_add_x_forwarded_for;\n"
                . "            proxy_set_header X-Real-IP \$remote_addr;\n" : '')
            . "        }\n"));
    }

    private static function launched(string $kind, string $kitDir, Closure $launch): self
    {
        self::stopOnEveryWayOut();
        $server = new self($kind, $kitDir);
        self::$running[spl_object_id($server)] = $server;
        try {
            $launch($server);
        } catch (Throwable $e) {
            $server->stop();
            throw $e;
        }
        return $server;
    }

    private function __construct(public readonly string $kind, public readonly string $kitDir)
    {
        $this->urlPath = $kitDir === '' ? '' : '/' . basename($kitDir);
        $this->dir = sys_get_temp_dir() . '/vantrel-server-' . bin2hex(random_bytes(6));
        mkdir($this->dir, 0755);
        $this->port = self::freePort();
    }

    /** Who sends the archives when the kit hands them over: null where nothing can take them. */
    public function offload(): ?SendWith
    {
        return match ($this->kind) {
            'apache', 'apache-conf' => SendWith::XSendfile,
            'nginx' => SendWith::XAccelRedirect,
            default => null,
        };
    }

    /** The kit's address on this server, with $path after it. */
    public function url(string $path = ''): string
    {
        return 'http://127.0.0.1:' . $this->port . $this->urlPath . $path;
    }

    /** Process ids of the server, its workers included, for a look at their memory. */
    public function pids(): array
    {
        $pids = [];
        foreach ($this->processes as $process) {
            $pid = proc_get_status($process)['pid'];
            $pids = [...$pids, $pid, ...self::descendants($pid)];
        }
        return $pids;
    }

    /** The server's own logs, for a failure's message. */
    public function logs(): string
    {
        $text = '';
        foreach (glob($this->dir . '/*.log') ?: [] as $log) {
            $text .= '== ' . basename($log) . "\n" . substr((string) file_get_contents($log), -4000);
        }
        return $text;
    }

    public function stop(): void
    {
        foreach (array_reverse($this->processes) as $process) {
            proc_terminate($process, SIGTERM);
            for ($i = 0; $i < 200 && proc_get_status($process)['running']; ++$i) {
                usleep(50_000);
            }
            if (proc_get_status($process)['running']) {
                proc_terminate($process, SIGKILL);
            }
            proc_close($process);
        }
        $this->processes = [];
        unset(self::$running[spl_object_id($this)]);
        if (is_dir($this->dir)) {
            exec('rm -rf ' . escapeshellarg($this->dir));
        }
    }

    private function launch(string $kind, string $kitDir, int $workers, bool $opcache): void
    {
        $socket = null;
        if (posix_getuid() === 0) {
            for ($folder = dirname($kitDir); $folder !== '/'; $folder = dirname($folder)) {
                if ((fileperms($folder) & 0o001) === 0) {
                    throw new RuntimeException(self::WORKER_USER . " cannot pass through {$folder}: give the kit a"
                        . ' folder that every user may enter (TMPDIR=/tmp)');
                }
            }
            exec('chown -R ' . self::WORKER_USER . ': ' . escapeshellarg($kitDir));
            umask(0);
        }
        if ($kind === 'apache-conf' || str_starts_with($kind, 'nginx')) {
            $socket = $this->dir . '/fpm.sock';
            $this->run(['php-fpm8.2', '-y', $this->write('fpm.conf', $this->fpmConfig($socket, $workers, $opcache)), '-F'],
                static fn (): bool => file_exists($socket));
        }
        if ($kind === 'nginx') {
            $this->write('kit-nginx.conf', self::shipped('nginx.conf',
                [self::SHIPPED_URL_PATH => $this->urlPath . '/', self::SHIPPED_SOCKET => 'unix:' . $socket]));
            $this->launchNginx('        root ' . dirname($kitDir) . ";\n        include kit-nginx.conf;\n");
            return;
        }
        if ($kind === 'nginx-bare') {
            // Debian's sites-available/default with its PHP block switched on, as its comments say.
            copy('/etc/nginx/fastcgi.conf', $this->dir . '/fastcgi.conf');
            mkdir($this->dir . '/snippets');
            copy('/etc/nginx/snippets/fastcgi-php.conf', $this->dir . '/snippets/fastcgi-php.conf');
            $this->launchNginx('        root ' . dirname($kitDir) . ";\n        index index.html index.htm;\n"
                . "        location / {\n            try_files \$uri \$uri/ =404;\n        }\n"
                . "        location ~ \\.php\$ {\n            include snippets/fastcgi-php.conf;\n"
                . "            fastcgi_pass unix:{$socket};\n        }\n");
            return;
        }
        $config = $this->write('httpd.conf', $this->apacheConfig($kind, $kitDir, $socket, $workers, $opcache));
        // Apache stops by signalling its whole process group: a session of its own keeps that from
        // reaching the tests.
        $this->run(['setsid', 'apache2', '-f', $config, '-DFOREGROUND'], $this->listening(...));
    }

    private function apacheConfig(string $kind, string $kitDir, ?string $socket, int $workers, bool $opcache): string
    {
        $modules = ['authz_core', 'authz_host', 'mime', 'dir', 'autoindex', 'env', 'xsendfile'];
        $modules = [...$modules, ...($socket === null ? [] : ['proxy', 'proxy_fcgi'])];
        $text = "ServerRoot {$this->dir}\nDefaultRuntimeDir {$this->dir}\nPidFile {$this->dir}/httpd.pid\n"
            . "ErrorLog {$this->dir}/apache-error.log\nLogLevel warn\nServerName 127.0.0.1\nListen 127.0.0.1:{$this->port}\n";
        if ($socket === null) {
            // mod_php needs the prefork MPM, one process per request.
            $text .= 'LoadModule mpm_prefork_module ' . self::MODULES . "/mod_mpm_prefork.so\n"
                . "StartServers {$workers}\nMinSpareServers 1\nMaxSpareServers {$workers}\n"
                . "ServerLimit {$workers}\nMaxRequestWorkers {$workers}\n"
                . 'LoadModule php_module ' . self::MODULES . "/libphp8.2.so\n";
        } else {
            $threads = max(25, $workers);
            $text .= 'LoadModule mpm_event_module ' . self::MODULES . "/mod_mpm_event.so\n"
                . "StartServers 1\nServerLimit 2\nThreadsPerChild {$threads}\nMaxRequestWorkers {$threads}\n";
        }
        foreach ($modules as $module) {
            $text .= "LoadModule {$module}_module " . self::MODULES . "/mod_{$module}.so\n";
        }
        if (posix_getuid() === 0) {
            $text .= 'User ' . self::WORKER_USER . "\nGroup " . self::WORKER_USER . "\n";
        }
        $root = dirname($kitDir);
        // Debian's defaults for /var/www: folders listed, .htaccess ignored, .ht files refused.
        $text .= "TypesConfig /etc/mime.types\nDocumentRoot {$root}\nDirectoryIndex index.html index.php\n"
            . "<Directory />\n  AllowOverride None\n  Require all denied\n</Directory>\n"
            . "<Directory {$root}>\n  Options Indexes FollowSymLinks\n"
            . '  AllowOverride ' . ($kind === 'apache' ? 'AuthConfig' : 'None') . "\n  Require all granted\n</Directory>\n"
            . "<FilesMatch \"^\\.ht\">\n  Require all denied\n</FilesMatch>\n"
            . "<FilesMatch \".+\\.ph(?:ar|p|tml)\$\">\n  SetHandler "
            . ($socket === null ? 'application/x-httpd-php' : "\"proxy:unix:{$socket}|fcgi://localhost\"") . "\n</FilesMatch>\n";
        if ($socket === null && !$opcache) {
            $text .= "php_admin_flag opcache.enable off\n";
        }
        if ($kind === 'apache') {
            $text .= "<Directory {$kitDir}>\n  XSendFile On\n  XSendFilePath {$kitDir}\n</Directory>\n";
        }
        if ($kind === 'apache-conf') {
            $text .= 'Include ' . $this->write('kit-apache.conf', self::shipped('apache.conf', [self::SHIPPED_KIT_DIR => $kitDir])) . "\n";
        }
        return $text;
    }

    private function fpmConfig(string $socket, int $workers, bool $opcache): string
    {
        $user = posix_getuid() === 0 ? 'user = ' . self::WORKER_USER . "\ngroup = " . self::WORKER_USER . "\n" : '';
        return "[global]\npid = {$this->dir}/fpm.pid\nerror_log = {$this->dir}/fpm.log\ndaemonize = no\n"
            . "[kit]\nlisten = {$socket}\nlisten.mode = 0666\n{$user}pm = static\npm.max_children = {$workers}\n"
            . "catch_workers_output = yes\n" . ($opcache ? '' : "php_admin_value[opcache.enable] = 0\n");
    }

    /** Starts nginx with $serverLines in its one server block. */
    private function launchNginx(string $serverLines): void
    {
        copy('/etc/nginx/mime.types', $this->dir . '/mime.types');
        copy('/etc/nginx/fastcgi_params', $this->dir . '/fastcgi_params');
        $config = $this->write('nginx.conf', $this->nginxConfig($serverLines));
        $this->run(['nginx', '-c', $config, '-p', $this->dir . '/', '-e', $this->dir . '/nginx-error.log'], $this->listening(...));
    }

    private function nginxConfig(string $serverLines): string
    {
        $user = posix_getuid() === 0 ? 'user ' . self::WORKER_USER . ";\n" : '';
        $temporary = '';
        foreach (['client_body', 'fastcgi', 'proxy', 'uwsgi', 'scgi'] as $kind) {
            $temporary .= "    {$kind}_temp_path {$this->dir}/{$kind};\n";
        }
        // Debian's nginx.conf sends files with sendfile(); the kit's lines go into the server block.
        return "daemon off;\n{$user}worker_processes 2;\npid {$this->dir}/nginx.pid;\n"
            . "error_log {$this->dir}/nginx-error.log warn;\nevents {\n    worker_connections 1024;\n}\n"
            . "http {\n    include mime.types;\n    default_type application/octet-stream;\n    access_log off;\n"
            . "    sendfile on;\n    tcp_nopush on;\n{$temporary}"
            . "    server {\n        listen 127.0.0.1:{$this->port};\n        server_name 127.0.0.1;\n"
            . $serverLines . "    }\n}\n";
    }

    /** A file of site/hosting with the words a seller edits replaced; each must be there. */
    private static function shipped(string $name, array $edits): string
    {
        $text = (string) file_get_contents(dirname(__DIR__) . '/hosting/' . $name);
        foreach ($edits as $word => $replacement) {
            if (!str_contains($text, $word)) {
                throw new RuntimeException("hosting/{$name} no longer holds \"{$word}\", which sellers are told to edit");
            }
            $text = str_replace($word, $replacement, $text);
        }
        return $text;
    }

    private function write(string $name, string $text): string
    {
        file_put_contents($this->dir . '/' . $name, $text);
        return $this->dir . '/' . $name;
    }

    /** Starts one process of the server and waits until $ready says it serves. */
    private function run(array $command, Closure $ready): void
    {
        $log = $this->dir . '/' . basename($command[$command[0] === 'setsid' ? 1 : 0]) . '.out.log';
        $process = proc_open($command, [0 => ['file', '/dev/null', 'r'], 1 => ['file', $log, 'a'], 2 => ['file', $log, 'a']], $pipes);
        if ($process === false) {
            throw new RuntimeException('cannot start ' . $command[0]);
        }
        $this->processes[] = $process;
        $deadline = microtime(true) + self::START_SECONDS;
        while (!$ready()) {
            if (!proc_get_status($process)['running'] || microtime(true) > $deadline) {
                throw new RuntimeException($command[0] . " did not start:\n" . $this->logs());
            }
            usleep(20_000);
        }
    }

    private function listening(): bool
    {
        $socket = @stream_socket_client('tcp://127.0.0.1:' . $this->port, $errno, $error, 1);
        if ($socket === false) {
            return false;
        }
        fclose($socket);
        return true;
    }

    private static function freePort(): int
    {
        $probe = stream_socket_server('tcp://127.0.0.1:0');
        $port = (int) substr(strrchr(stream_socket_get_name($probe, false), ':'), 1);
        fclose($probe);
        return $port;
    }

    /** @return list<int> every process below $pid: a server's workers and theirs */
    public static function descendants(int $pid): array
    {
        $children = (string) @file_get_contents("/proc/{$pid}/task/{$pid}/children");
        $all = [];
        foreach (preg_split('/\s+/', trim($children), -1, PREG_SPLIT_NO_EMPTY) as $child) {
            $all = [...$all, (int) $child, ...self::descendants((int) $child)];
        }
        return $all;
    }

    private static function stopOnEveryWayOut(): void
    {
        static $armed = false;
        if ($armed) {
            return;
        }
        $armed = true;
        $stopAll = static function (): void {
            foreach (self::$running as $server) {
                $server->stop();
            }
        };
        register_shutdown_function($stopAll);
        pcntl_async_signals(true);
        foreach ([SIGINT, SIGTERM, SIGHUP] as $signal) {
            pcntl_signal($signal, static function (int $signal) use ($stopAll): void {
                $stopAll();
                exit(128 + $signal);
            });
        }
    }
}
