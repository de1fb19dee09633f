#!/usr/bin/env bash
# A private, headless GNOME desktop (gnome-shell 43 of Debian 12, 1280x1024, Xwayland) with the
# screenshot portal (xdg-desktop-portal + -gnome, -gtk), its own runtime folder, HOME and D-Bus
# session bus; no system bus, no logind.
# Usage: gnome-bed.sh PROGRAM [ARGS...]
#   PROGRAM runs inside with WAYLAND_DISPLAY, DISPLAY (Xwayland), DBUS_SESSION_BUS_ADDRESS,
#   XDG_RUNTIME_DIR, XDG_CURRENT_DESKTOP=GNOME and BED_RUN (the bed's folder, writable) set; its
#   exit code is the script's. As root the desktop runs as nobody. PROGRAM must be readable there.
#   BED_SCALE=N runs the monitor at a whole-number scale. BED_LOGS=DIR copies the desktop's
#   logs to DIR at the end. Exit codes: scripts/bed_common.sh (BED_SKIP, 77, where the
#   desktop is not installed; scripts/setup.sh installs it).
set -u
here="$(cd "$(dirname "$0")" && pwd)"
self="$here/$(basename "$0")"

bed_name=gnome-bed
source "$here/bed_common.sh"

bed_check() {
    bed_need_tools gnome-shell /usr/libexec/xdg-desktop-portal-gnome \
        /usr/libexec/xdg-desktop-portal-gtk /usr/libexec/xdg-desktop-portal Xwayland \
        gnome-screenshot /usr/share/dbus-1/services/ca.desrt.dconf.service
}
# The bed's bus starts only what a GNOME session would start on demand: the permission store,
# the settings store (dconf), the portal backends.
bed_services=()
for service in org.freedesktop.impl.portal.PermissionStore org.freedesktop.impl.portal.desktop.gnome \
    org.freedesktop.impl.portal.desktop.gtk ca.desrt.dconf; do
    bed_services+=("/usr/share/dbus-1/services/$service.service")
done
bed_settings=(BED_SCALE="${BED_SCALE:-}")

# gnome-shell as root is no normal session: the desktop runs as nobody
[ "${1:-}" = --inside ] || bed_launch "$self" "$@"
shift
bed_enter
export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_DESKTOP=gnome
export XDG_SESSION_TYPE=wayland XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache
export XDG_DATA_HOME=$HOME/.local/share NO_AT_BRIDGE=1 GTK_A11Y=none
# no GPU here: Mesa's software renderer
export LIBGL_ALWAYS_SOFTWARE=1

# gnome-shell reads logind, accounts and the like on the system bus, and stops where it cannot
# reach one (it takes this machine for a systemd one where /run/systemd/seats exists). An empty
# bus of its own is enough: it goes on without the services.
cat >"$run/system.conf" <<EOF
<busconfig>
  <type>system</type>
  <listen>unix:path=$run/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow receive_sender="*"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
bed_start system-bus dbus-daemon --config-file="$run/system.conf" --nofork --nopidfile
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$run/system_bus_socket
bed_wait_for 50 test -S "$run/system_bus_socket" || exit $BED_NO_HELPER

# A first start, already past the welcome tour, without banners over the screen ("Screen Lock
# disabled"), and on the desktop rather than in the overview, where GNOME 40 and later begin: a
# small extension of the bed's own leaves it, as a person pressing Escape would.
extension=bed-leave-overview@framegrove.test
mkdir -p "$XDG_DATA_HOME/gnome-shell/extensions/$extension"
cat >"$XDG_DATA_HOME/gnome-shell/extensions/$extension/metadata.json" <<EOF
{"uuid": "$extension", "name": "Leave the overview", "description": "bed",
 "shell-version": ["43"]}
EOF
cat >"$XDG_DATA_HOME/gnome-shell/extensions/$extension/extension.js" <<'EOF'
const Main = imports.ui.main;
function init() {}
function enable() {
    if (Main.layoutManager._startingUp)
        Main.layoutManager.connect('startup-complete', () => Main.overview.hide());
    else
        Main.overview.hide();
}
function disable() {}
EOF
{
    gsettings set org.gnome.shell welcome-dialog-last-shown-version '99'
    gsettings set org.gnome.shell enabled-extensions "['$extension']"
    gsettings set org.gnome.desktop.notifications show-banners false
    # no fades, so that two looks at a settled screen agree
    gsettings set org.gnome.desktop.interface enable-animations false
    # a whole-number scale for the monitor, read by mutter as it starts
    [ -z "${BED_SCALE:-}" ] || gsettings set org.gnome.desktop.interface scaling-factor "$BED_SCALE"
} 2>>"$run/log/gsettings"

bed_start gnome-shell gnome-shell --headless --wayland --virtual-monitor 1280x1024 \
    --wayland-display=wayland-gnome
bed_wait_for 600 bed_on_bus org.gnome.Shell.Screenshot || exit $BED_NO_COMPOSITOR
# absolute, so that a program with a runtime folder of its own still finds the compositor
export WAYLAND_DISPLAY=$XDG_RUNTIME_DIR/wayland-gnome
# Xwayland: mutter names its display in its log
bed_wait_for 200 grep -q "Using public X11 display" "$run/log/gnome-shell" || exit $BED_NO_XWAYLAND
DISPLAY=$(sed -n 's/.*Using public X11 display \([^,]*\),.*/\1/p' "$run/log/gnome-shell" | head -n 1)
export DISPLAY
# mutter's Xwayland asks X11 clients for the cookie it wrote into the runtime folder
XAUTHORITY=$(compgen -G "$XDG_RUNTIME_DIR/.mutter-Xwaylandauth.*" | head -n 1)
export XAUTHORITY
dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XAUTHORITY DBUS_SYSTEM_BUS_ADDRESS \
    XDG_CURRENT_DESKTOP XDG_SESSION_DESKTOP \
    XDG_RUNTIME_DIR XDG_SESSION_TYPE XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME NO_AT_BRIDGE \
    GTK_A11Y LIBGL_ALWAYS_SOFTWARE

bed_start_portal org.freedesktop.impl.portal.desktop.gnome /usr/libexec/xdg-desktop-portal-gnome
"$@"
