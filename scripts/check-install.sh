#!/usr/bin/env bash
# Installs the release build into a temporary prefix, validates the desktop entry and the
# AppStream metadata there, then builds the Debian package and checks what it holds.
# Usage: scripts/check-install.sh [build-dir]   (default build/release, already built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
id=org.orvanta.Orvanta
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix/usr" >/dev/null
expected=(
    usr/bin/orvanta
    usr/bin/orvanta-cli
    "usr/share/applications/$id.desktop"
    "usr/share/metainfo/$id.metainfo.xml"
    "usr/share/icons/hicolor/scalable/apps/$id.svg"
)
for size in 16 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for file in "${expected[@]}"; do
    [[ -s "$prefix/$file" ]] || { echo "not installed: $file" >&2; exit 1; }
done
desktop-file-validate "$prefix/usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$prefix/usr/share/metainfo/$id.metainfo.xml"

# An installed program is never a portable copy: its library goes to the user's data folder.
user=$(mktemp -d -p "$prefix")
env -u ORVANTA_HOME -u XDG_DATA_HOME HOME="$user" "$prefix/usr/bin/orvanta-cli" library list >/dev/null
[[ -f "$user/.local/share/Orvanta/Data/MyMedia.edb" && ! -e "$prefix/usr/bin/Data" ]] || {
    echo "the installed orvanta-cli did not use ~/.local/share/Orvanta" >&2
    exit 1
}

rm -rf "$build/package"
cpack --config "$build/CPackConfig.cmake" -B "$build/package" >/dev/null
deb=$(ls "$build"/package/orvanta_*.deb)
listing=$(dpkg-deb -c "$deb")
for file in "${expected[@]}"; do
    grep -q " ./$file\$" <<<"$listing" || { echo "not in the package: $file" >&2; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libgstreamer1.0-0 gstreamer1.0-plugins-good libsqlite3-0 libtag1v5; do
    grep -q "$needed" <<<"$depends" || { echo "the package does not depend on $needed" >&2; exit 1; }
done
echo "$deb: $(stat -c %s "$deb") bytes"
echo "Depends: $depends"
