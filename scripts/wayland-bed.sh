#!/usr/bin/env bash
# A private, headless Wayland desktop for the tests: sway (1280x1024, blue background, Xwayland)
# with the screenshot portal, its own runtime folder, D-Bus session and /tmp.
# Usage: wayland-bed.sh PROGRAM [ARGS...]
#   PROGRAM runs inside with WAYLAND_DISPLAY, SWAYSOCK, DISPLAY (Xwayland), the bus and
#   XDG_RUNTIME_DIR set, and QT_QPA_PLATFORM passed on; its exit code is the script's. Exit codes:
#   scripts/bed_common.sh (BED_SKIP, 77, where sway is missing). As root the desktop runs as
#   nobody, since sway refuses root, in a mount namespace of its own so that beds started
#   together do not share /tmp, where the portal always writes the same file.
set -u
here="$(cd "$(dirname "$0")" && pwd)"

bed_name=wayland-bed
source "$here/bed_common.sh"

bed_check() {
    bed_need_tools sway grim pipewire /usr/libexec/xdg-desktop-portal \
        /usr/libexec/xdg-desktop-portal-wlr
}
# every portal backend (the bus starts the one the portal asks for) and the document store
mapfile -t bed_services < <(compgen -G '/usr/share/dbus-1/services/org.freedesktop.impl.portal.*.service')
bed_services+=(/usr/share/dbus-1/services/org.freedesktop.portal.Documents.service)

case "${1:-}" in
--inside) shift ;;
--namespace)
    # root, in a mount namespace of its own: the bed's folder becomes its /tmp
    mount --bind "$2" /tmp || exit 1
    shift 2
    bed_launch /tmp/wayland-bed.sh /tmp/program "$@"
    ;;
"") bed_usage ;;
*)
    bed_check || exit $BED_SKIP
    program=$(realpath "$1")
    shift
    if [ "$(id -u)" = 0 ]; then
        # the program and this script are copied into the bed's own /tmp: nobody may not read
        # the build folder, and a clone under /tmp would be hidden there
        bed=$(mktemp -d /tmp/fg-wayland-bed.XXXXXX)
        chmod 1777 "$bed"
        install -m 755 "$program" "$bed/program"
        # programs the test runs as a person would, beside it (BED_BESIDE, separated by blanks)
        for beside in ${BED_BESIDE:-}; do
            install -m 755 "$beside" "$bed/"
        done
        install -m 755 "$here/wayland-bed.sh" "$bed/wayland-bed.sh"
        install -m 644 "$here/bed_common.sh" "$bed/bed_common.sh"
        unshare --mount --propagation private "$bed/wayland-bed.sh" --namespace "$bed" "$@"
        status=$?
        rm -rf "$bed"
        exit $status
    fi
    # without a namespace of our own: one bed at a time on this machine, whoever starts it
    lock=/tmp/fg-wayland-bed.lock
    (umask 0 && : >>"$lock")
    exec 8>>"$lock"
    flock 8
    bed_launch "$here/wayland-bed.sh" "$program" "$@"
    ;;
esac
bed_enter
export XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland
export WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1
export NO_AT_BRIDGE=1 GTK_A11Y=none GTK_USE_PORTAL=0

cat >"$run/sway.conf" <<EOF
output HEADLESS-1 resolution 1280x1024 position 0,0
output * bg #336699 solid_color
xwayland enable
exec echo \$DISPLAY > $run/display
EOF
bed_start sway sway -c "$run/sway.conf"
bed_wait_for 100 compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" || exit $BED_NO_COMPOSITOR
SWAYSOCK=$(compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.sock" | head -n 1)
# absolute, so that a program with a runtime folder of its own still finds the compositor
WAYLAND_DISPLAY=$(compgen -G "$XDG_RUNTIME_DIR/wayland-?" | head -n 1)
export SWAYSOCK WAYLAND_DISPLAY
bed_wait_for 50 test -s "$run/display" || exit $BED_NO_XWAYLAND
DISPLAY=$(cat "$run/display")
export DISPLAY
dbus-update-activation-environment WAYLAND_DISPLAY SWAYSOCK DISPLAY XDG_CURRENT_DESKTOP \
    XDG_RUNTIME_DIR XDG_SESSION_TYPE NO_AT_BRIDGE GTK_A11Y GTK_USE_PORTAL

# The portal -wlr exits without pipewire. Pipewire gets no bus, so that it neither starts the
# portal too early nor a stray bus of its own through X11.
bed_start pipewire env -u DBUS_SESSION_BUS_ADDRESS -u DISPLAY pipewire
bed_wait_for 50 test -S "$XDG_RUNTIME_DIR/pipewire-0" || exit $BED_NO_HELPER
# -gtk, which the bus starts on demand, only because the portal offers Screenshot when some
# backend offers Access
bed_start_portal org.freedesktop.impl.portal.desktop.wlr /usr/libexec/xdg-desktop-portal-wlr -l INFO
"$@"
