# Sourced by the scripts: starts a private Xvfb display (a free one, picked by Xvfb itself) and
# a window manager, and stops both again when the calling script exits.
# Usage: start_private_display [WIDTHxHEIGHTxDEPTH] [wm]

FG_XVFB_PID=""
FG_WM_PID=""

stop_private_display() {
    # the status of a process ended here says nothing about the caller's work, so it is not
    # returned (a script under set -e would fail for it)
    local pid
    for pid in $FG_WM_PID $FG_XVFB_PID; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in $FG_WM_PID $FG_XVFB_PID; do
        wait "$pid" 2>/dev/null || true
    done
    FG_WM_PID=""
    FG_XVFB_PID=""
}

start_private_display() {
    local geometry="${1:-1280x1024x24}" wm="${2:-wm}"
    local fifo
    fifo=$(mktemp -u /tmp/fg-displayfd.XXXXXX)
    mkfifo "$fifo"
    # -noreset: what a client set on the server (resources, monitors) stays when it disconnects
    # before the window manager has connected
    Xvfb -displayfd 3 -screen 0 "$geometry" -dpi 96 -nolisten tcp -noreset 3>"$fifo" 2>/dev/null &
    FG_XVFB_PID=$!
    local number
    read -r -t 20 number <"$fifo"
    rm -f "$fifo"
    if [ -z "$number" ]; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$number"
    if [ "$wm" = wm ]; then
        openbox --sm-disable >/dev/null 2>&1 &
        FG_WM_PID=$!
        # wait until the window manager owns the screen
        for _ in $(seq 1 50); do
            xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
            sleep 0.1
        done
    fi
}

# For the scripts that run the tests: without a display, a private one with a window manager,
# read the X server's way, stopped when the script exits. The web tool's browser refuses to
# start its sandbox as root.
prepare_test_display() {
    trap stop_private_display EXIT
    if [ -z "${DISPLAY:-}" ]; then
        start_private_display 1280x1024x24 wm || return 1
        unset WAYLAND_DISPLAY
    fi
    export QTWEBENGINE_DISABLE_SANDBOX=1
}
