#!/usr/bin/env bash
# Installs the console for the current user from the folder this script stands in, or removes
# such an install again.
#   install.sh [--prefix DIR]               install, DIR being the application folder
#   install.sh [--prefix DIR] --uninstall   remove what the install added
# The application folder (by default the XDG data home's vantrel-oskel/) holds the program and
# the distributor's files beside it, and the console keeps the seller's own files there:
# hsettings.dat, config.php and dbsettings.dat are never replaced or removed. Every other file or
# folder the install makes is listed in the folder's install record, and only those go again.
set -euo pipefail

readonly program_name=vantrel-oskel
readonly record_name=.vantrel-oskel-install
readonly seller_files=(hsettings.dat config.php dbsettings.dat)

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/menu-files.sh"

fail() {
    echo "$*" >&2
    exit 1
}

prefix=""
uninstall=false
while [ $# -gt 0 ]; do
    case "$1" in
    --prefix)
        if [ $# -lt 2 ] || [ -z "$2" ]; then fail "--prefix needs a folder."; fi
        prefix=$2
        shift 2
        ;;
    --uninstall) uninstall=true; shift ;;
    -h | --help) sed -n '2,9p' "${BASH_SOURCE[0]}" | cut -c3-; exit 0 ;;
    *) fail "Unknown option: $1 (see --help)." ;;
    esac
done

[ -n "${HOME:-}" ] || fail "HOME is not set."
# A relative XDG_DATA_HOME is to be ignored, as XDG base directories must be absolute.
data_home=${XDG_DATA_HOME:-}
[[ "$data_home" == /* ]] || data_home=$HOME/.local/share
app_dir=${prefix:-$data_home/$program_name}
[[ "$app_dir" == /* ]] || app_dir=$PWD/$app_dir
app_dir=${app_dir%/}
record=$app_dir/$record_name

app_name="Vantrel Oskel"
if [ -s "$here/app-name" ]; then
    app_name=$(head -n 1 "$here/app-name")
fi

is_seller_file() {
    local name
    [ "$(dirname "$1")" = "$app_dir" ] || return 1
    for name in "${seller_files[@]}"; do
        [ "$(basename "$1")" = "$name" ] && return 0
    done
    return 1
}

# Removes what the install record lists: files first, then the folders the install made, deepest
# first, each only when nothing else has come into it. Given a new record, the folders stay and
# pass into it instead, since the new install keeps using them.
remove_recorded() {
    local line new_record=${1:-} folders=()
    [ -f "$record" ] || return 0
    while IFS= read -r line; do
        case "$line" in
        file:/*) is_seller_file "${line#file:}" || rm -f -- "${line#file:}" ;;
        dir:/*) folders+=("${line#dir:}") ;;
        esac
    done <"$record"
    rm -f -- "$record" # it stands in the application folder, one of those folders
    local folder
    while IFS= read -r folder; do
        if [ -z "$new_record" ]; then
            rmdir -- "$folder" 2>/dev/null || true
        elif [ -d "$folder" ]; then
            echo "dir:$folder" >>"$new_record"
        fi
    done < <(printf '%s\n' "${folders[@]}" | sort -r)
}

# Names the seller's files that are in the application folder now.
sellers_present() {
    local name
    for name in "${seller_files[@]}"; do
        if [ -e "$app_dir/$name" ]; then printf '%s\n' "$name"; fi
    done
}

# Says which of the seller's files stay, given their names one a line.
report_kept() {
    if [ -n "$1" ]; then
        echo "Kept your files in $app_dir: $(echo "$1" | paste -sd ' ')"
    fi
}

if $uninstall; then
    [ -f "$record" ] || fail "No install of $app_name found in $app_dir."
    remove_recorded
    echo "Removed $app_name."
    report_kept "$(sellers_present)"
    exit 0
fi
# Only what was there before this install is the seller's to keep; a new dbsettings.dat is not.
kept_before=$(sellers_present)

[ -f "$here/$program_name" ] || fail "The program $program_name is missing beside $0."
# The desktop entry quotes the program's path; these would need escaping there, so refuse them.
case "$app_dir" in
*[\"\`\$\\%]* | *$'\n'*) fail "The folder \"$app_dir\" holds a character that a menu entry cannot carry: choose another with --prefix." ;;
esac

bin_dir=$HOME/.local/bin
launcher=$bin_dir/$program_name
desktop_file=$data_home/applications/$desktop_id.desktop
metainfo_file=$data_home/metainfo/$component_id.metainfo.xml
icons_dir=$data_home/icons/hicolor

if { [ -e "$launcher" ] || [ -L "$launcher" ]; } \
    && ! { [ -L "$launcher" ] && [ -f "$record" ] && grep -qxF "file:$launcher" "$record"; }; then
    fail "$launcher exists and is not a launcher this install made: move it away and run this again."
fi

# A new install replaces the previous one's files: what it added goes, the seller's files stay.
new_record=$(mktemp)
trap 'rm -f -- "$new_record"' EXIT
remove_recorded "$new_record"

make_dir() {
    local dir=$1 missing=()
    while [ ! -d "$dir" ]; do
        missing+=("$dir")
        dir=$(dirname "$dir")
    done
    local i
    for ((i = ${#missing[@]} - 1; i >= 0; i--)); do
        mkdir -- "${missing[i]}"
        echo "dir:${missing[i]}" >>"$new_record"
    done
}

# Through a temporary name and a rename, so a copy of the console that is still running keeps
# its own program file.
put_file() {
    local source=$1 target=$2 mode=$3
    make_dir "$(dirname "$target")"
    cp -- "$source" "$target.new"
    chmod "$mode" "$target.new"
    mv -f -- "$target.new" "$target"
    echo "file:$target" >>"$new_record"
}

write_file() {
    local target=$1 temporary
    make_dir "$(dirname "$target")"
    temporary=$(mktemp)
    cat >"$temporary"
    put_file "$temporary" "$target" 644
    rm -f -- "$temporary"
}

make_dir "$app_dir"
put_file "$here/$program_name" "$app_dir/$program_name" 755
for side in "$here"/banner*.dat "$here/mainskin.dat" "$here/main.ico"; do
    if [ -f "$side" ]; then put_file "$side" "$app_dir/$(basename "$side")" 644; fi
done
if [ -f "$here/dbsettings.dat" ]; then
    if [ -e "$app_dir/dbsettings.dat" ]; then
        echo "Kept the branding file $app_dir/dbsettings.dat that is there already."
    else
        cp -- "$here/dbsettings.dat" "$app_dir/dbsettings.dat"
    fi
fi

make_dir "$bin_dir"
ln -sfn -- "$app_dir/$program_name" "$launcher"
echo "file:$launcher" >>"$new_record"

icon=$desktop_id
if [ -f "$app_dir/main.ico" ]; then
    icon=$app_dir/main.ico
else
    while IFS= read -r -d '' picture; do
        put_file "$picture" "$icons_dir/${picture#"$here/icons/hicolor/"}" 644
    done < <(find "$here/icons/hicolor" -type f \( -name "$desktop_id.png" -o -name "$desktop_id.svg" \) -print0)
fi

desktop_entry "$app_name" "\"$app_dir/$program_name\"" "$icon" | write_file "$desktop_file"
metainfo "$app_name" "$program_name" | write_file "$metainfo_file"

# Every line of the record written, it takes the place of the old one.
mv -f -- "$new_record" "$record"
trap - EXIT
chmod 644 "$record"

echo "Installed $app_name in $app_dir."
echo "Start it from the menu, or run $launcher."
report_kept "$kept_before"
case ":${PATH:-}:" in
*":$bin_dir:"*) ;;
*) echo "($bin_dir is not on your PATH: the menu entry works all the same.)" ;;
esac
