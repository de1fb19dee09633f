#!/usr/bin/env bash
# Runs the benchmarks on a private display and prints each against its reference.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh" >/dev/null
build="${FG_BUILD_DIR:-$here/build}"
source "$here/scripts/xsession.sh"
trap stop_private_display EXIT
home=$(mktemp -d)
trap 'stop_private_display; rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/.config"
start_private_display 1280x1024x24 nowm
"$build/bench/bench_startup" "$build/framegrove" "$build/bench/bench_bare_window"
"$build/bench/bench_capture"
# the browser refuses to start its sandbox as root
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
"$build/bench/bench_web_dialog"
for extra in "$build"/bench/bench_codecs "$build"/bench/bench_conversion; do
    [ -x "$extra" ] && "$extra"
done
# the same grab on a Wayland desktop, in a private headless sway
"$here/scripts/wayland-bed.sh" "$build/bench/bench_portal_capture" 2>/dev/null
