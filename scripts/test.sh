#!/usr/bin/env bash
# Runs every test. Without a display it starts its own Xvfb and window manager and stops them
# again; returns ctest's status.
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh" || exit 1
build="${FG_BUILD_DIR:-$here/build}"

source "$here/scripts/xsession.sh"
trap stop_private_display EXIT
if [ -z "${DISPLAY:-}" ]; then
    start_private_display 1280x1024x24 wm || exit 1
    # the program reads the screen the way this session needs: the private X server's way
    unset WAYLAND_DISPLAY
fi
# the browser of the web tool refuses to start its sandbox as root
export QTWEBENGINE_DISABLE_SANDBOX=1
cd "$build" && ctest --output-on-failure "$@"
