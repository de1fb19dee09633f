#!/usr/bin/env bash
# Times a whole-screen capture from the command to the finished file: Framegrove's windowless
# `--screen --output`, beside `scrot` and `flameshot full -p`, taken in turns in the same run on
# one private Xvfb display without a window manager. Prints the median and the best of each.
# Usage: command_to_file.sh [runs]   (15 unless given)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${FG_BUILD_DIR:-$here/build}"
runs="${1:-15}"
source "$here/scripts/xsession.sh"
work=$(mktemp -d /tmp/fg-command-to-file.XXXXXX)
bus=""
finish() {
    stop_private_display
    [ -n "$bus" ] && kill "$bus" 2>/dev/null
    rm -rf "$work"
}
trap finish EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$XDG_CONFIG_HOME"
start_private_display 1280x1024x24 nowm
# flameshot works through the session bus: a private one, so that nothing of the desktop's is met
exec 8< <(dbus-daemon --session --nofork --print-address=1 --print-pid=1 2>/dev/null)
read -r DBUS_SESSION_BUS_ADDRESS <&8
read -r bus <&8
export DBUS_SESSION_BUS_ADDRESS

# milliseconds from the command's start until it has ended and a whole picture is in `folder`
time_to_file() {
    local folder="$1"
    shift
    rm -rf "$folder" && mkdir -p "$folder"
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    # a program may end before its file is complete: wait until a PNG reader accepts one
    for _ in $(seq 1 1000); do
        for file in "$folder"/*.png; do
            [ -f "$file" ] && pngcheck -q "$file" >/dev/null 2>&1 && break 2
        done
        sleep 0.005
    done
    end=$(date +%s%N)
    ls "$folder"/*.png >/dev/null 2>&1 || {
        echo "no picture from: $*" >&2
        exit 1
    }
    echo $(((end - start) / 1000000))
}

declare -A times
for _ in $(seq 1 "$runs"); do
    times[framegrove]+="$(time_to_file "$work/fg" "$build/framegrove" --screen --output "$work/fg/shot.png") "
    times[scrot]+="$(time_to_file "$work/scrot" scrot "$work/scrot/shot.png") "
    times[flameshot]+="$(time_to_file "$work/flameshot" flameshot full -p "$work/flameshot") "
done
for tool in framegrove scrot flameshot; do
    read -r -a sorted <<<"$(tr ' ' '\n' <<<"${times[$tool]}" | sed '/^$/d' | sort -n | tr '\n' ' ')"
    printf '%-11s median %4d ms  best %4d ms  (%d runs)\n' "$tool" "${sorted[$((${#sorted[@]} / 2))]}" \
        "${sorted[0]}" "${#sorted[@]}"
done
