#!/usr/bin/env bash
# Takes the pictures of the README and the user guide from the real program, on a display and in
# folders of its own, and writes them to docs/pictures/. Run it again whenever a window changes.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${FG_BUILD_DIR:-$here/build}"
[ -x "$build/framegrove" ] || "$here/scripts/setup.sh"
out="$here/docs/pictures"
mkdir -p "$out"

source "$here/scripts/xsession.sh"
work=$(mktemp -d /tmp/fg-pictures.XXXXXX)
app=""
finish() {
    if [ -n "$app" ]; then kill "$app" 2>/dev/null; wait "$app" 2>/dev/null || true; fi
    stop_private_display || true
    rm -rf "$work"
}
trap finish EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$XDG_CONFIG_HOME"
start_private_display 1024x768x24 wm
# something worth capturing behind the window: a gradient with the program's icon
convert -size 1024x768 gradient:'#2f6b35-#a9d8f0' \
    \( "$build/icons/256x256/org.framegrove.Framegrove.png" \) -gravity center -composite \
    "$work/desktop.png"
display -window root "$work/desktop.png" || true # it sets the root and reports 1

"$build/framegrove" &
app=$!
main=$(xdotool search --sync --onlyvisible --name "^Framegrove - Screen Capture and More$" | head -n 1)
sleep 1

# shot <file> <window title>: the window with that title, as the window manager frames it
shot() {
    local window
    window=$(xdotool search --sync --onlyvisible --name "$2" | head -n 1)
    sleep 0.5
    import -window "$window" -frame "$out/$1"
}
# click <x> <y>: a click at that point of the main window
click() {
    xdotool mousemove --window "$main" "$1" "$2" click 1
}
panel=$((756 - 176 + 7 + 71)) # the middle of the panel's buttons

shot main-window.png "^Framegrove - Screen Capture and More$"

click "$panel" 107 # Delayed Capture
shot delay-dialog.png "^Capture Pull Down Menus$"
xdotool key Escape

click "$panel" 229 # Save As Jpeg
shot quality-dialog.png "^Framegrove JPEG Compression Level$"
xdotool key Return
sleep 1
xdotool key Escape # the save dialog that follows

click "$panel" 500 # About
shot about-window.png "^Framegrove $"
xdotool key Return

click "$panel" 47 # Crop out an Area: a drag over the capture
sleep 1
xdotool mousemove 300 200 mousedown 1 mousemove 500 330 mousemove 700 480 mouseup 1
shot action-dialog.png "^Framegrove \(Work with cropped image\)$"
action=$(xdotool search --onlyvisible --name "^Framegrove \(Work with cropped image\)$" | head -n 1)
xdotool mousemove --window "$action" 685 347 click 1 # Add "text" on this image!
shot text-dialog.png "^Framegrove - Add Some Text$"

for picture in "$out"/*.png; do
    mogrify -strip "$picture" # no time stamps: the same window gives the same file
done
echo "pictures written to $out"
