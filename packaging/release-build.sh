# Sourced by scripts/install and tools/vantrel-bundle, from the source tree's top folder.
# shellcheck shell=bash

# Sets vo_build_dir to a build folder whose bin/ holds the named programs. By default that is a
# Release build in build/, made or brought up to date here (as scripts/run makes it). A folder
# named by VO_INSTALL_BUILD_DIR is taken as it is, with nothing built: the tests install the
# programs they have just built instead of building everything again.
vo_release_build() {
    if [ -n "${VO_INSTALL_BUILD_DIR:-}" ]; then
        vo_build_dir=$VO_INSTALL_BUILD_DIR
    else
        source scripts/deps.sh
        vo_install_missing "${VO_BUILD_PACKAGES[@]}"
        # scripts/run points build/ at its demo site for updates; an installed console must never
        # ask that address. A publisher's own update site stays.
        local update_site reset=()
        update_site=$(sed -n 's/^VO_UPDATE_BASE_URL:STRING=//p' build/CMakeCache.txt 2>/dev/null || true)
        if [[ "$update_site" == http://127.0.0.1:* ]]; then reset=(-DVO_UPDATE_BASE_URL=); fi
        # shellcheck disable=SC2046
        cmake -S . -B build $(vo_generator) -DCMAKE_BUILD_TYPE=Release "${reset[@]}" >/dev/null
        cmake --build build -j "$(nproc)" --target "$@"
        vo_build_dir=build
    fi
    local target
    for target in "$@"; do
        [ -x "$vo_build_dir/bin/$target" ] || { echo "$vo_build_dir/bin/$target has not been built." >&2; return 1; }
    done
}

# Copies what packaging/install.sh installs from its own folder into $1: the script with the
# menu files it reads, the program and the icons.
vo_stage_payload() {
    cp packaging/install.sh "$1/install.sh"
    chmod 755 "$1/install.sh"
    cp packaging/menu-files.sh "$1/menu-files.sh"
    cp "$vo_build_dir/bin/vantrel-oskel" "$1/vantrel-oskel"
    cp -R packaging/icons "$1/icons"
}
