#!/usr/bin/env bash
# Starts Framegrove. With no display it runs under its own Xvfb, saves a screenshot of the main
# window and says where.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
[ -x "$here/build/framegrove" ] || "$here/scripts/setup.sh"
ninja -C "$here/build" framegrove >/dev/null

if [ -n "${DISPLAY:-}" ]; then
    exec "$here/build/framegrove"
fi

source "$here/scripts/xsession.sh"
trap stop_private_display EXIT
start_private_display 1280x1024x24 wm
shot="${FG_SHOT:-$here/shots/main-window.png}"
mkdir -p "$(dirname "$shot")"
xsetroot -solid '#3a6ea5' # something to capture besides black
"$here/build/framegrove" &
app=$!
window=$(xdotool search --sync --onlyvisible --name "Framegrove - Screen Capture and More" | head -n 1)
sleep 1
import -window "$window" -frame "$shot"
kill "$app"
wait "$app" 2>/dev/null || true
echo "No display: ran Framegrove under its own Xvfb; screenshot saved to $shot"
