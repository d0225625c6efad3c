# Sourced by install.sh and scripts/package: the menu entry and the AppStream metainfo, the same
# for an install in the user's home and for the Debian package.
# shellcheck shell=bash

readonly desktop_id=vantrel-oskel
readonly component_id=com.vantrel.Oskel
# The window's class: the console's application name, which Qt gives X11 as WM_CLASS.
readonly window_class="Vantrel Oskel"

# Desktop entry strings escape the backslash; a line break would end the entry's line.
desktop_text() {
    local text=${1//\\/"\\\\"}
    text=${text//$'\r'/" "}
    printf '%s' "${text//$'\n'/" "}"
}

xml_text() {
    # Quoted replacements: bash 5.2 reads a bare & in them as the matched text.
    local text=${1//&/"&amp;"}
    text=${text//</"&lt;"}
    text=${text//>/"&gt;"}
    printf '%s' "$text"
}

# desktop_entry NAME EXEC ICON: the Exec value is taken as it is, quoted by the caller if need be.
desktop_entry() {
    cat <<ENTRY
[Desktop Entry]
Type=Application
Name=$(desktop_text "$1")
Comment=Keep the settings and the products of your download-protection site
Exec=$2
Icon=$(desktop_text "$3")
Terminal=false
Categories=Office;
Keywords=download;shop;products;seller;
StartupWMClass=$window_class
ENTRY
}

# metainfo NAME BINARY
metainfo() {
    cat <<METAINFO
<?xml version="1.0" encoding="UTF-8"?>
<component type="desktop-application">
  <id>$component_id</id>
  <metadata_license>CC0-1.0</metadata_license>
  <project_license>LicenseRef-proprietary</project_license>
  <name>$(xml_text "$1")</name>
  <summary>Manage the products and settings of your download-protection site</summary>
  <description>
    <p>A desktop console for sellers of digital products: it keeps the settings of the seller's
      download-protection site, manages the products held there and rebuilds a buyer's download link.</p>
  </description>
  <launchable type="desktop-id">$desktop_id.desktop</launchable>
  <provides>
    <binary>$2</binary>
  </provides>
  <content_rating type="oars-1.1"/>
  <releases>
    <release version="2.01" date="2026-12-09"/>
  </releases>
</component>
METAINFO
}
