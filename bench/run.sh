#!/usr/bin/env bash
# Runs the benchmarks on a private display and prints each against its reference from the same
# run. A benchmark that fails says why and the others still run; the exit status tells whether
# all of them ran.
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh" >/dev/null || exit 1
build="${FG_BUILD_DIR:-$here/build}"
source "$here/scripts/xsession.sh"
home=$(mktemp -d)
trap 'stop_private_display; rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/.config"
unset WAYLAND_DISPLAY
failed=()
# bench NAME COMMAND...: runs one benchmark; its own messages are shown only when it fails
bench() {
    local name="$1" status=0
    shift
    "$@" 2>"$home/$name.log" || status=$?
    if [ $status -ne 0 ]; then
        echo "$name FAILED (exit status $status):" >&2
        tail -n 20 "$home/$name.log" >&2
        failed+=("$name")
    fi
}

# real screenshots for the codec benchmark, under a window manager as people see their screens
start_private_display 1280x1024x24 wm || exit 1
bench screenshots "$here/bench/take_screenshots.sh" "$home" "$build/framegrove"
stop_private_display

start_private_display 1280x1024x24 nowm || exit 1
bench startup "$build/bench/bench_startup" "$build/framegrove" "$build/bench/bench_bare_window"
bench capture "$build/bench/bench_capture"
# the grab of a 2560x1600 screen at 200 %
bench capture_200 env BED_SCREEN=2560x1600 BED_DPI=192 "$here/scripts/x11-scale-bed.sh" \
    "$build/bench/bench_capture"
# the browser refuses to start its sandbox as root
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
bench web_dialog "$build/bench/bench_web_dialog"
bench codecs "$build/bench/bench_codecs" photo="$home/photo.ppm" flat="$home/flat.ppm"
bench conversion "$build/bench/bench_conversion"
# the same grab on a Wayland desktop, in a private headless sway
bench portal_capture "$here/scripts/wayland-bed.sh" "$build/bench/bench_portal_capture"

[ ${#failed[@]} -eq 0 ] || { echo "failed: ${failed[*]}" >&2; exit 1; }
