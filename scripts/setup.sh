#!/usr/bin/env bash
# Installs what Framegrove needs to build, run and test (Debian 12), then configures and builds.
# Safe to run again: it installs only what is missing and rebuilds only what changed.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"

packages=(
    # build
    cmake ninja-build g++ pkg-config clang-format clang-tidy
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-webengine-dev
    libjpeg62-turbo-dev libpng-dev zlib1g-dev libx11-dev libxext-dev libcups2-dev
    # fuzzing: clang with libFuzzer
    clang libclang-rt-14-dev
    # run and test: display, window manager, input, peers that check our output
    xvfb openbox xdotool x11-utils x11-xserver-utils imagemagick libjpeg-turbo-progs pngcheck
    xclip poppler-utils cups cups-client cups-bsd printer-driver-cups-pdf
    fonts-dejavu-core fonts-liberation2
    # installing and packaging: the icon's sizes, the HTML opener, the validators, the package
    librsvg2-bin xdg-utils desktop-file-utils appstream dpkg-dev file
    # Wayland sessions: Qt's wayland platform, and a headless sway with the screenshot portal for
    # the tests (-gtk only so that the portal offers the Screenshot interface at all)
    qt6-wayland sway grim xwayland pipewire xdg-desktop-portal xdg-desktop-portal-wlr
    xdg-desktop-portal-gtk
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
# one build at a time in a folder, when two runs start together
exec 9>"$build/.setup.lock"
flock 9
[ -f "$build/build.ninja" ] || cmake -S "$here" -B "$build" -G Ninja ${FG_CMAKE_ARGS:-}
cmake --build "$build"
