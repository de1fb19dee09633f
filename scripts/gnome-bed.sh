#!/usr/bin/env bash
# A private, headless GNOME desktop (gnome-shell 43 of Debian 12, 1280x1024, Xwayland) with the
# screenshot portal (xdg-desktop-portal + -gnome, -gtk), its own runtime folder, HOME and D-Bus
# session bus; no system bus, no logind.
# Usage: gnome-bed.sh PROGRAM [ARGS...]
#   PROGRAM runs inside with WAYLAND_DISPLAY, DISPLAY (Xwayland), DBUS_SESSION_BUS_ADDRESS,
#   XDG_RUNTIME_DIR, XDG_CURRENT_DESKTOP=GNOME and BED_RUN (the bed's folder, writable) set; its
#   exit code is the script's. As root the desktop runs as nobody. PROGRAM must be readable there.
#   BED_LOGS=DIR copies the desktop's logs to DIR at the end. Exit 77 (a skip for ctest) where
#   the desktop is not installed (scripts/setup.sh installs it).
set -u
here="$(cd "$(dirname "$0")" && pwd)"
self="$here/$(basename "$0")"

need_packages() {
    local tool
    for tool in gnome-shell /usr/libexec/xdg-desktop-portal-gnome /usr/libexec/xdg-desktop-portal-gtk \
        /usr/libexec/xdg-desktop-portal Xwayland gnome-screenshot \
        /usr/share/dbus-1/services/ca.desrt.dconf.service; do
        if ! command -v "$tool" >/dev/null && [ ! -e "$tool" ]; then
            echo "gnome-bed: skipped, $tool is not installed (scripts/setup.sh installs it)" >&2
            return 1
        fi
    done
}

# The bed's bus starts only what a GNOME session would start on demand: the permission store,
# the settings store (dconf), the portal backends; the portal itself is started by hand.
prepare_bus() {
    local run=$1 service
    mkdir -p "$run/services"
    for service in org.freedesktop.impl.portal.PermissionStore org.freedesktop.impl.portal.desktop.gnome \
        org.freedesktop.impl.portal.desktop.gtk ca.desrt.dconf; do
        [ -e "/usr/share/dbus-1/services/$service.service" ] &&
            cp "/usr/share/dbus-1/services/$service.service" "$run/services/"
    done
    cat >"$run/bus.conf" <<EOF
<busconfig>
  <type>session</type>
  <keep_umask/>
  <listen>unix:tmpdir=$run</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$run/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
}

case "${1:-}" in
--inside) shift ;;
"")
    echo "usage: gnome-bed.sh PROGRAM [ARGS...]" >&2
    exit 64
    ;;
*)
    need_packages || exit 77
    # Xwayland puts its socket there; a fresh container may not have the folder yet
    [ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix 2>/dev/null
    run=$(mktemp -d /tmp/fg-gnome-bed.XXXXXX)
    chmod 755 "$run"
    prepare_bus "$run"
    if [ "$(id -u)" = 0 ]; then
        # gnome-shell as root is no normal session: the desktop runs as nobody
        chown -R nobody:nogroup "$run"
        setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env \
            env PATH=/usr/bin:/bin HOME="$run/home" USER=nobody LOGNAME=nobody LANG=C.UTF-8 \
            QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-wayland}" \
            BED_RUN="$run" BED_LOGS="${BED_LOGS:-}" \
            dbus-run-session --config-file="$run/bus.conf" -- "$self" --inside "$@"
    else
        HOME="$run/home" BED_RUN=$run dbus-run-session --config-file="$run/bus.conf" -- \
            "$self" --inside "$@"
    fi
    status=$?
    rm -rf "$run"
    exit $status
    ;;
esac

run=$BED_RUN
mkdir -p "$run/runtime" "$run/log" "$HOME"
chmod 700 "$run/runtime"
export XDG_RUNTIME_DIR=$run/runtime XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_DESKTOP=gnome
export XDG_SESSION_TYPE=wayland XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache
export XDG_DATA_HOME=$HOME/.local/share NO_AT_BRIDGE=1 GTK_A11Y=none
# no GPU here: Mesa's software renderer
export LIBGL_ALWAYS_SOFTWARE=1
pids=()
stop() {
    local status=$?
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
    wait 2>/dev/null
    if [ "$status" != 0 ] && [ "$status" != 77 ]; then
        for log in "$run"/log/*; do
            echo "---- $(basename "$log") (last lines)" >&2
            tail -n 15 "$log" >&2
        done
    fi
    [ -n "${BED_LOGS:-}" ] && cp -r "$run/log/." "$BED_LOGS/" 2>/dev/null
}
trap stop EXIT
wait_for() {
    local tries=$1
    shift
    for ((k = 0; k < tries; k++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "gnome-bed: gave up waiting for: $*" >&2
    return 1
}
on_bus() {
    gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
        -m org.freedesktop.DBus.GetNameOwner "$1"
}

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
dbus-daemon --config-file="$run/system.conf" --nofork --nopidfile >"$run/log/system-bus" 2>&1 &
pids+=($!)
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$run/system_bus_socket
wait_for 50 test -S "$run/system_bus_socket" || exit 89

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
} 2>>"$run/log/gsettings"

gnome-shell --headless --wayland --virtual-monitor 1280x1024 --wayland-display=wayland-gnome \
    >"$run/log/gnome-shell" 2>&1 &
pids+=($!)
wait_for 600 on_bus org.gnome.Shell.Screenshot || exit 90
# absolute, so that a program with a runtime folder of its own still finds the compositor
export WAYLAND_DISPLAY=$XDG_RUNTIME_DIR/wayland-gnome
# Xwayland: mutter names its display in its log
wait_for 200 grep -q "Using public X11 display" "$run/log/gnome-shell" || exit 91
DISPLAY=$(sed -n 's/.*Using public X11 display \([^,]*\),.*/\1/p' "$run/log/gnome-shell" | head -n 1)
export DISPLAY
# mutter's Xwayland asks X11 clients for the cookie it wrote into the runtime folder
XAUTHORITY=$(compgen -G "$XDG_RUNTIME_DIR/.mutter-Xwaylandauth.*" | head -n 1)
export XAUTHORITY
dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XAUTHORITY DBUS_SYSTEM_BUS_ADDRESS \
    XDG_CURRENT_DESKTOP XDG_SESSION_DESKTOP \
    XDG_RUNTIME_DIR XDG_SESSION_TYPE XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME NO_AT_BRIDGE \
    GTK_A11Y LIBGL_ALWAYS_SOFTWARE

/usr/libexec/xdg-desktop-portal-gnome >"$run/log/portal-gnome" 2>&1 &
pids+=($!)
wait_for 100 on_bus org.freedesktop.impl.portal.desktop.gnome || exit 92
/usr/libexec/xdg-desktop-portal -v >"$run/log/portal" 2>&1 &
pids+=($!)
wait_for 100 bash -c 'gdbus introspect --session -d org.freedesktop.portal.Desktop \
    -o /org/freedesktop/portal/desktop | grep -q "interface org.freedesktop.portal.Screenshot"' ||
    exit 93
"$@"
