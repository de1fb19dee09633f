#!/usr/bin/env bash
# Takes the real screenshots the codec benchmark encodes, on the display the caller started (a
# private one, 1280x1024, with a window manager): terminals full of text and Framegrove's own
# window on a photo wallpaper from a Debian package (photo.ppm), then the same windows on a flat
# background (flat.ppm).
#   bench/take_screenshots.sh OUTPUT_FOLDER FRAMEGROVE
set -euo pipefail
out="$1"
program="$2"
photo=/usr/share/wallpapers/Path/contents/images/1280x1024.jpg
[ -r "$photo" ] || { echo "no photo wallpaper at $photo (plasma-workspace-wallpapers)" >&2; exit 1; }

pids=()
cleanup() { [ ${#pids[@]} -eq 0 ] || kill "${pids[@]}" 2>/dev/null || true; }
trap cleanup EXIT

# display sets the root window's picture and then exits with 1 all the same
display -window root -resize '1280x1024!' "$photo" || true
terminal() { # geometry, then the command whose output fills it
    xterm -geometry "$1" -fa 'DejaVu Sans Mono' -fs 10 -e sh -c "$2; sleep 600" &
    pids+=($!)
}
terminal 100x34+30+30 'ls -l /usr/bin | head -60'
terminal 96x30+520+380 'dpkg -l | tail -40'
"$program" >/dev/null 2>&1 &
pids+=($!)

# the screen is ready when three windows are shown and two grabs a moment apart agree
xdotool search --sync --onlyvisible --class xterm >/dev/null
xdotool search --sync --onlyvisible --name 'Framegrove' >/dev/null
grab_until_still() {
    local previous="" now
    for _ in $(seq 1 100); do
        import -window root -depth 8 "$out/still.ppm"
        now=$(md5sum <"$out/still.ppm")
        [ "$now" = "$previous" ] && break
        previous="$now"
        sleep 0.2
    done
    mv "$out/still.ppm" "$1"
}
grab_until_still "$out/photo.ppm"
xsetroot -solid '#3b6ea5'
grab_until_still "$out/flat.ppm"
