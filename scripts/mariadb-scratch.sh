# Sourced: a throw-away MariaDB server for the kit's suites and benchmarks. It lives in a
# mktemp -d data folder with its socket there, listens on 127.0.0.1 only, on a port that was free,
# and holds one database and one user for the kit:
#   vo_mariadb_start   sets VO_MARIADB_HOST (127.0.0.1:PORT), VO_MARIADB_DATABASE, VO_MARIADB_USER,
#                      VO_MARIADB_PASSWORD, VO_MARIADB_SOCKET; returns non-zero when it cannot start
#   vo_mariadb_stop    stops the server and removes its folder (safe to call twice or before start)
# Callers stop it from a trap on EXIT, so that no server outlives them.
# shellcheck shell=bash

VO_MARIADB_DIR=""
VO_MARIADB_PID=""

vo_mariadb_free_port() {
    php -r '$s = stream_socket_server("tcp://127.0.0.1:0"); echo substr(strrchr(stream_socket_get_name($s, false), ":"), 1);'
}

vo_mariadb_start() {
    VO_MARIADB_DIR=$(mktemp -d /tmp/vantrel-mariadb.XXXXXX)
    local data=$VO_MARIADB_DIR/data
    local port
    port=$(vo_mariadb_free_port)
    VO_MARIADB_SOCKET=$VO_MARIADB_DIR/mysqld.sock
    local as_root=()
    [ "$(id -u)" -eq 0 ] && as_root=(--user=root)

    if ! mariadb-install-db --no-defaults "${as_root[@]}" --datadir="$data" \
            --auth-root-authentication-method=normal --skip-test-db >"$VO_MARIADB_DIR/install.log" 2>&1; then
        echo "mariadb-install-db failed; see $VO_MARIADB_DIR/install.log" >&2
        return 1
    fi
    mariadbd --no-defaults "${as_root[@]}" --datadir="$data" --socket="$VO_MARIADB_SOCKET" \
        --pid-file="$VO_MARIADB_DIR/mysqld.pid" --bind-address=127.0.0.1 --port="$port" \
        --skip-name-resolve --innodb-buffer-pool-size=64M --log-error="$VO_MARIADB_DIR/error.log" \
        2>>"$VO_MARIADB_DIR/error.log" &
    VO_MARIADB_PID=$!

    local _
    for _ in $(seq 300); do
        mariadb --no-defaults -uroot --socket="$VO_MARIADB_SOCKET" -e 'SELECT 1' >/dev/null 2>&1 && break
        kill -0 "$VO_MARIADB_PID" 2>/dev/null || break
        sleep 0.1
    done
    VO_MARIADB_HOST=127.0.0.1:$port
    VO_MARIADB_DATABASE=vantrel_kit
    VO_MARIADB_USER=vantrel
    VO_MARIADB_PASSWORD=$(head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n')
    if ! mariadb --no-defaults -uroot --socket="$VO_MARIADB_SOCKET" -e "
            CREATE DATABASE $VO_MARIADB_DATABASE;
            CREATE USER '$VO_MARIADB_USER'@'127.0.0.1' IDENTIFIED BY '$VO_MARIADB_PASSWORD';
            CREATE USER '$VO_MARIADB_USER'@'localhost' IDENTIFIED BY '$VO_MARIADB_PASSWORD';
            GRANT ALL ON $VO_MARIADB_DATABASE.* TO '$VO_MARIADB_USER'@'127.0.0.1';
            GRANT ALL ON $VO_MARIADB_DATABASE.* TO '$VO_MARIADB_USER'@'localhost';" 2>>"$VO_MARIADB_DIR/error.log"; then
        echo "MariaDB did not come up; see $VO_MARIADB_DIR/error.log" >&2
        return 1
    fi
    export VO_MARIADB_HOST VO_MARIADB_DATABASE VO_MARIADB_USER VO_MARIADB_PASSWORD VO_MARIADB_SOCKET
}

vo_mariadb_stop() {
    if [ -n "$VO_MARIADB_PID" ]; then
        kill "$VO_MARIADB_PID" 2>/dev/null || true
        wait "$VO_MARIADB_PID" 2>/dev/null || true
        VO_MARIADB_PID=""
    fi
    if [ -n "$VO_MARIADB_DIR" ]; then
        rm -rf "$VO_MARIADB_DIR"
        VO_MARIADB_DIR=""
    fi
}
