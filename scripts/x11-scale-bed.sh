#!/usr/bin/env bash
# A private X11 display at a desktop's screen scale, with a window manager, for the tests: Xvfb
# of BED_SCREEN pixels (WxH), Xft.dpi set to BED_DPI as GNOME, KDE and Xfce set it for a HiDPI
# screen, and the RandR monitors of BED_MONITORS ("NAME:WxH+X+Y ...", the first one primary;
# none: the one screen). QT_SCALE_FACTOR and QT_SCREEN_SCALE_FACTORS are passed on.
# Usage: x11-scale-bed.sh PROGRAM [ARGS...]; the program's exit code is the script's.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/xsession.sh"

trap stop_private_display EXIT
start_private_display "${BED_SCREEN:-2560x1600}x24" wm >/dev/null || exit 1
echo "Xft.dpi: ${BED_DPI:-96}" | xrdb -merge >/dev/null || exit 1

primary=1
for monitor in ${BED_MONITORS:-}; do
    name=${monitor%%:*} geometry=${monitor#*:}
    size=${geometry%%+*} place=${geometry#"$size"}
    # about 96 dots per inch; the primary one takes the server's one output along, so that the
    # output's own monitor over the whole screen goes
    mm="$((${size%x*} * 254 / 960))x$((${size#*x} * 254 / 960))"
    if [ $primary = 1 ]; then
        xrandr --setmonitor "*$name" "${size%x*}/${mm%x*}x${size#*x}/${mm#*x}$place" screen >/dev/null || exit 1
        primary=0
    else
        xrandr --setmonitor "$name" "${size%x*}/${mm%x*}x${size#*x}/${mm#*x}$place" none >/dev/null || exit 1
    fi
done
"$@"
