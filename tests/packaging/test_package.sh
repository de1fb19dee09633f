#!/usr/bin/env bash
# Makes the Debian package and checks what a user installs with it: every file in its place,
# dependencies found from the binaries, a desktop entry and metadata that the validators accept.
# Usage: test_package.sh <source folder> <build folder>
set -euo pipefail
work=$(mktemp -d /tmp/fg-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# the build is done; only the packing is under test
package=$(FG_BUILD_DIR="$2" "$1/scripts/package.sh" "$work/out" | tail -n 1)
dpkg-deb -c "$package" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/files"
id=org.framegrove.Framegrove
for file in /usr/bin/framegrove /usr/bin/framegrove-clipboard-keeper /usr/share/framegrove/readme.html /usr/share/framegrove/download.html \
    /usr/share/framegrove/style.css /usr/share/framegrove/pictures/main-window.png \
    /usr/share/framegrove/pictures/about-window.png /usr/share/applications/$id.desktop \
    /usr/share/dbus-1/services/$id.service \
    /usr/share/icons/hicolor/scalable/apps/$id.svg /usr/share/icons/hicolor/48x48/apps/$id.png \
    /usr/share/icons/hicolor/256x256/apps/$id.png /usr/share/metainfo/$id.metainfo.xml \
    /usr/share/doc/framegrove/LICENSE /usr/share/man/man1/framegrove.1; do
    grep -qx "$file" "$work/files" || fail "the package lacks $file"
done
grep -q '^/usr/lib/.*framegrove/plugins/framegrove_web_pictures\.so$' "$work/files" ||
    fail "the package lacks the web pictures plugin"
depends=$(dpkg-deb -f "$package" Depends)
for needed in libqt6widgets6 libjpeg62-turbo libpng16-16 xdg-utils libqt6webenginewidgets6 \
    libqt6dbus6 qt6-wayland; do
    [[ "$depends" == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done
dpkg-deb -x "$package" "$work/root"
"$(dirname "$0")/check_launchers.sh" "$work/root/usr/share" /usr/bin/framegrove
# the manual page reads without a complaint and lists the options
man --warnings -l "$work/root/usr/share/man/man1/framegrove.1" >"$work/manual" 2>"$work/complaints"
[ ! -s "$work/complaints" ] || fail "the manual page: $(cat "$work/complaints")"
grep -q -- '--output' "$work/manual" || fail "the manual page lacks the options"
appstreamcli validate --no-net --explain "$work/root/usr/share/metainfo/$id.metainfo.xml"
echo PASS
