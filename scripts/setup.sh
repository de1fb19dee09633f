#!/usr/bin/env bash
# Installs what Framegrove needs to build, run and test (Debian 12), then configures and builds.
# Safe to run again: it installs only what is missing and rebuilds only what changed.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

packages=(
    # build
    cmake ninja-build g++ pkg-config clang-format clang-tidy
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-webengine-dev
    libjpeg62-turbo-dev libpng-dev zlib1g-dev libx11-dev libxext-dev libxrandr-dev libcups2-dev
    # fuzzing: clang with libFuzzer
    clang libclang-rt-14-dev
    # run and test: display, window manager, input, peers that check our output
    xvfb openbox xdotool x11-utils x11-xserver-utils imagemagick libjpeg-turbo-progs pngcheck
    xclip wl-clipboard poppler-utils cups cups-client cups-bsd printer-driver-cups-pdf
    # scripts/reverse-order.sh reads ctest's description of the tests
    python3
    fonts-dejavu-core fonts-liberation2
    # benchmarks: a photo wallpaper and terminals for the real screenshots the codecs encode
    plasma-workspace-wallpapers xterm
    # installing and packaging: the icon's sizes, the HTML opener, the validators, the package
    librsvg2-bin xdg-utils desktop-file-utils appstream dpkg-dev file
    # the manual page, made from the program's --help; the session bus of the hand-over tests
    help2man dbus
    # Wayland sessions: Qt's wayland platform, and a headless sway with the screenshot portal for
    # the tests (-gtk only so that the portal offers the Screenshot interface at all)
    qt6-wayland sway grim xwayland pipewire xdg-desktop-portal xdg-desktop-portal-wlr
    xdg-desktop-portal-gtk
    # the screenshot programs that bench/command_to_file.sh times ours against
    scrot flameshot
    # headless GNOME and KDE Plasma desktops for the tests, with their portals and their own
    # screenshot tools to compare against (scripts/gnome-bed.sh, scripts/kde-bed.sh)
    gnome-shell xdg-desktop-portal-gnome gnome-screenshot dconf-service
    kwin-wayland xdg-desktop-portal-kde kde-spectacle qtwayland5 breeze
    qml-module-qtquick-layouts qml-module-qtquick-controls2 qml-module-qtgraphicaleffects
    qml-module-org-kde-kirigami2 qml-module-qtquick-window2 qml-module-org-kde-qqc2desktopstyle
    plasma-integration plasma-workspace-data
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

build="${FG_BUILD_DIR:-$here/build}"
mkdir -p "$build"

# The KDE portal's dialogs import QML modules that only plasma-workspace ships, a package that
# brings systemd and udev along: the KDE bed gets just those pieces, taken out of it once.
kde_extras() {
    local to=$1 qt5 work
    qt5=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/qt5
    [ -e "$to/qml/org/kde/plasma/workspace/dialogs/qmldir" ] && return 0
    work=$(mktemp -d)
    (cd "$work" && apt-get download plasma-workspace >/dev/null && dpkg-deb -x plasma-workspace_*.deb x) ||
        { echo "setup: plasma-workspace could not be fetched; the KDE tests will skip" >&2; rm -rf "$work"; return 0; }
    mkdir -p "$work/out/qml/org/kde/plasma/workspace" "$work/out/plugins/kpackage/packagestructure"
    cp -r "$work/x$qt5/qml/org/kde/plasma/workspace/dialogs" "$work/out/qml/org/kde/plasma/workspace/"
    cp -r "$work/x$qt5/qml/org/kde/plasma/lookandfeel" "$work/out/qml/org/kde/plasma/"
    cp "$work/x$qt5/plugins/kpackage/packagestructure/plasma_lookandfeel.so" \
        "$work/out/plugins/kpackage/packagestructure/"
    rm -rf "$to" && mv "$work/out" "$to"
    chmod -R a+rX "$to"
    rm -rf "$work"
}
# one build at a time in a folder, when two runs start together
exec 9>"$build/.setup.lock"
flock 9
kde_extras "$build/kde-bed-extras"
[ -f "$build/build.ninja" ] || cmake -S "$here" -B "$build" -G Ninja ${FG_CMAKE_ARGS:-}
cmake --build "$build"
