# Sourced by scripts/run, scripts/test and scripts/fuzz: installs the Debian packages that are missing.
# shellcheck shell=bash

VO_BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev libssl-dev zlib1g-dev libjpeg-dev)
# The demo serves the seller's kit and the publisher's stand-in with PHP's built-in server.
VO_RUN_PACKAGES=(xvfb xauth x11-utils imagemagick php-cli php8.2-sqlite3)
# The seller's site kit: its suites run on SQLite and on a scratch MariaDB, under php -S and on
# Apache, Apache with php-fpm and nginx, and a buyer's download in headless Chromium
# (scripts/site-test).
# The versioned names are Debian 12's own packages; the unversioned php-sqlite3 is only a pointer.
VO_SITE_TEST_PACKAGES=(php-cli php8.2-sqlite3 php8.2-mysql phpunit mariadb-server mariadb-client
                       apache2 libapache2-mod-php8.2 libapache2-mod-xsendfile nginx php8.2-fpm chromium)
# bench/site/hosting loads the servers with wrk.
VO_BENCH_PACKAGES=(wrk)
VO_TEST_PACKAGES=(xvfb xauth x11-utils xdotool libxcb1-dev pkg-config 7zip php-cli curl
                  desktop-file-utils appstream dpkg-dev lintian binutils "${VO_SITE_TEST_PACKAGES[@]}")
# libFuzzer and its sanitizer runtimes come with clang (scripts/fuzz).
VO_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

vo_install_missing() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages: ${missing[*]}" >&2
        echo "Install them as root (apt-get install ${missing[*]}) and run this again." >&2
        return 1
    fi
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    # Installing a server package starts its service on a fixed port (Apache and nginx on 80) where
    # the machine lets it; the suites start their own servers on free ports, so none is started.
    local policy=/usr/sbin/policy-rc.d made_policy=0
    if [ ! -e "$policy" ]; then
        printf '#!/bin/sh\nexit 101\n' >"$policy" && chmod 755 "$policy" && made_policy=1
    fi
    local status=0
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || status=$?
    [ "$made_policy" -eq 1 ] && rm -f "$policy"
    return "$status"
}

vo_generator() {
    if command -v ninja >/dev/null 2>&1; then echo "-G Ninja"; fi
}
