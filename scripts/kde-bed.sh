#!/usr/bin/env bash
# A private, headless KDE Plasma desktop's compositor (kwin_wayland 5.27 of Debian 12, virtual
# output 1280x1024, Xwayland) with the screenshot portal (xdg-desktop-portal + -kde), its own
# runtime folder, HOME and D-Bus session bus.
# Usage: kde-bed.sh PROGRAM [ARGS...]
#   PROGRAM runs inside with WAYLAND_DISPLAY, DISPLAY and XAUTHORITY (Xwayland),
#   DBUS_SESSION_BUS_ADDRESS, XDG_RUNTIME_DIR, XDG_CURRENT_DESKTOP=KDE and BED_RUN (the bed's
#   folder, writable) set; its exit code is the script's. As root the desktop runs as nobody.
#   PROGRAM must be readable there. BED_SCALE=S runs the output at that scale, its 1280x1024
#   pixels kept (as near as the scale lets). BED_LOGS=DIR copies the desktop's logs to DIR at the end.
#   BED_QT_LOGGING_RULES=RULES is handed to kwin and the portal backend as QT_LOGGING_RULES.
#   BED_KDE_EXTRAS=DIR names the QML modules the portal's dialogs need (scripts/setup.sh makes
#   them). Exit codes: scripts/bed_common.sh (BED_SKIP, 77, where the desktop is not installed).
set -u
here="$(cd "$(dirname "$0")" && pwd)"
self="$here/$(basename "$0")"

bed_name=kde-bed
source "$here/bed_common.sh"

# the library folder of this machine's architecture, where Debian puts the portal backend and Qt 5
multiarch=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)

bed_check() {
    bed_need_tools kwin_wayland "$multiarch/libexec/xdg-desktop-portal-kde" \
        /usr/libexec/xdg-desktop-portal Xwayland spectacle \
        "$multiarch/qt5/plugins/platforms/libqwayland-generic.so" \
        "${BED_KDE_EXTRAS:-/nonexistent}/qml/org/kde/plasma/workspace/dialogs/qmldir" || return 1
    # the portal backend's dialogs are QML (and it crashes where they cannot load); Breeze
    # draws the window frames
    bed_need_packages kwin-style-breeze qml-module-qtquick-layouts qml-module-qtquick-controls2 \
        qml-module-qtgraphicaleffects qml-module-org-kde-kirigami2 qml-module-qtquick-window2 \
        qml-module-org-kde-qqc2desktopstyle plasma-integration plasma-workspace-data
}

bed_services=()
for service in org.freedesktop.impl.portal.PermissionStore \
    org.freedesktop.impl.portal.desktop.kde org.kde.kglobalaccel; do
    bed_services+=("/usr/share/dbus-1/services/$service.service")
done
bed_settings=(BED_QT_LOGGING_RULES="${BED_QT_LOGGING_RULES:-}" BED_SCALE="${BED_SCALE:-}")

bed_prepare() {
    local run=$1
    # Debian gives kwin_wayland the file capability cap_sys_resource; where the bounding set
    # lacks it (containers, some sandboxes) exec fails with "Operation not permitted". A copy
    # without the capability runs the same.
    cp "$(command -v kwin_wayland)" "$run/kwin_wayland" &&
        # The portal backend's dialogs import org.kde.plasma.workspace.dialogs and, through it,
        # org.kde.plasma.lookandfeel, which only plasma-workspace ships (with systemd and udev
        # along); scripts/setup.sh takes just those pieces out of it.
        cp -r "$BED_KDE_EXTRAS/qml" "$BED_KDE_EXTRAS/plugins" "$run/"
}

[ "${1:-}" = --inside ] || bed_launch "$self" "$@"
shift
bed_enter
export XDG_CURRENT_DESKTOP=KDE XDG_SESSION_DESKTOP=KDE
export XDG_SESSION_TYPE=wayland KDE_FULL_SESSION=true KDE_SESSION_VERSION=5
export XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache XDG_DATA_HOME=$HOME/.local/share
# no fades: a frame turning active is drawn at once in its new colours, so that a screenshot
# taken a moment after shows it as the desktop's tool does, not half way
mkdir -p "$XDG_CONFIG_HOME"
printf '[KDE]\nAnimationDurationFactor=0\n' >"$XDG_CONFIG_HOME/kdeglobals"
printf '[Windeco]\nAnimationsEnabled=false\n' >"$XDG_CONFIG_HOME/breezerc"
export NO_AT_BRIDGE=1 QT_ACCESSIBILITY=0
[ -d "$run/qml" ] && export QML2_IMPORT_PATH=$run/qml QT_PLUGIN_PATH=$run/plugins
# the client kwin starts below stays until it is stopped
bed_before_stop() {
    [ -s "$run/environment.pid" ] && kill "$(cat "$run/environment.pid")" 2>/dev/null
}

# kwin starts its "applications" once Wayland and Xwayland are up, in the environment it gives
# its clients: one of them writes that down
cat >"$run/environment.sh" <<EOF
#!/bin/sh
{ echo "WAYLAND_DISPLAY=\$WAYLAND_DISPLAY"; echo "DISPLAY=\$DISPLAY"; echo "XAUTHORITY=\$XAUTHORITY"; } >"$run/environment.tmp"
mv "$run/environment.tmp" "$run/environment"
echo \$\$ >"$run/environment.pid"
exec sleep infinity
EOF
chmod +x "$run/environment.sh"
# the output has about 1280x1024 pixels at any BED_SCALE; kwin takes its logical size
scale=${BED_SCALE:-1}
read -r width height < <(awk -v s="$scale" 'BEGIN { printf "%d %d\n", 1280 / s, 1024 / s }')
bed_start kwin env QT_LOGGING_RULES="${BED_QT_LOGGING_RULES:-}" "$run/kwin_wayland" --virtual \
    --width "$width" --height "$height" --scale "$scale" --xwayland --socket wayland-kde \
    --no-lockscreen "$run/environment.sh"
bed_wait_for 600 test -s "$run/environment" || exit $BED_NO_COMPOSITOR
while IFS='=' read -r name value; do
    export "$name=$value"
done <"$run/environment"
# absolute, so that a program with a runtime folder of its own still finds the compositor
[[ $WAYLAND_DISPLAY = /* ]] || export WAYLAND_DISPLAY=$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY
bed_wait_for 100 bed_on_bus org.kde.KWin || exit $BED_NO_COMPOSITOR
dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XAUTHORITY XDG_CURRENT_DESKTOP \
    XDG_SESSION_DESKTOP XDG_RUNTIME_DIR XDG_SESSION_TYPE KDE_FULL_SESSION KDE_SESSION_VERSION \
    XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME NO_AT_BRIDGE QT_ACCESSIBILITY QML2_IMPORT_PATH QT_PLUGIN_PATH

bed_start_portal org.freedesktop.impl.portal.desktop.kde \
    env QT_LOGGING_RULES="${BED_QT_LOGGING_RULES:-}" "$multiarch/libexec/xdg-desktop-portal-kde"
# the Qt 5 paths above are for the desktop's own programs, not for the one under test
env -u QML2_IMPORT_PATH -u QT_PLUGIN_PATH "$@"
