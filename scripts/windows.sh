# Sourced by scripts/build-windows, scripts/test-windows and scripts/test: where the Windows
# build keeps its cross-built Qt and libcrypto, and what it needs from Debian.
# shellcheck shell=bash

VO_WINDOWS_PACKAGES=(cmake ninja-build dpkg-dev perl make qt6-base-dev qt6-base-dev-tools
                     g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 zip ccache)
VO_WINDOWS_TEST_PACKAGES=(xvfb xauth x11-utils xdotool imagemagick php-cli php8.2-sqlite3 fonts-dejavu-core locales)

VO_WINDOWS_CACHE=${VO_WINDOWS_CACHE:-$HOME/.cache/vantrel-oskel}
# The MinGW Qt must be the host Qt's own version: the host's moc, rcc and uic generate its code.
VO_WINDOWS_QT_VERSION=$(dpkg-query -W -f='${source:Upstream-Version}' libqt6core6 2>/dev/null | sed 's/+.*//')
VO_WINDOWS_QT="$VO_WINDOWS_CACHE/qt-${VO_WINDOWS_QT_VERSION:-unknown}-mingw-x64"
VO_WINDOWS_CRYPTO="$VO_WINDOWS_CACHE/libcrypto-mingw-x64"
VO_WINDOWS_TOOLCHAIN="$VO_WINDOWS_CACHE/mingw-w64-x86_64.cmake"
VO_WINDOWS_MINGW_RUNTIME=/usr/lib/gcc/x86_64-w64-mingw32/12-posix

# True when an earlier run left the whole cache: each part appears only by a final rename.
vo_windows_cache_ready() {
    [ -n "$VO_WINDOWS_QT_VERSION" ] && [ -d "$VO_WINDOWS_QT" ] && [ -d "$VO_WINDOWS_CRYPTO" ] \
        && [ -f "$VO_WINDOWS_TOOLCHAIN" ]
}
