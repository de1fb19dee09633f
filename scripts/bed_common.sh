# shellcheck shell=bash disable=SC2034,SC2154  # the exit codes are for the beds, which set bed_name and the arrays
# What the desktop beds (scripts/gnome-bed.sh, kde-bed.sh, wayland-bed.sh) share; sourced by
# them, with bed_name set to the bed's name for its messages. Every bed has the same two halves:
#   outside: bed_launch checks the desktop is installed (the bed's bed_check), makes the bed's
#     folder with its session bus and re-runs the bed in it with --inside;
#   inside: bed_enter, then the bed starts its desktop with bed_start and waits for each piece
#     with bed_wait_for, bed_start_portal, and runs the program; bed_stop stops it all.

# Exit codes that mean the same in every bed. A skip for ctest only where the desktop is not
# installed; a piece that did not come up in time is a failure, with the logs shown.
readonly BED_USAGE=64 BED_SKIP=77
readonly BED_NO_HELPER=89     # a service the desktop needs besides it: system bus, pipewire
readonly BED_NO_COMPOSITOR=90 # the compositor itself
readonly BED_NO_XWAYLAND=91   # the compositor's Xwayland display
readonly BED_NO_BACKEND=92    # the desktop's portal backend
readonly BED_NO_PORTAL=93     # the screenshot portal

bed_usage() {
    echo "usage: $bed_name.sh PROGRAM [ARGS...]" >&2
    exit $BED_USAGE
}

# Succeeds where every TOOL (a command or a path) exists; otherwise names the first one missing.
bed_need_tools() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null && [ ! -e "$tool" ]; then
            echo "$bed_name: skipped, $tool is not installed (scripts/setup.sh installs it)" >&2
            return 1
        fi
    done
}

# The same for Debian packages that bring no command of their own (QML modules, styles).
bed_need_packages() {
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
            echo "$bed_name: skipped, $package is not installed (scripts/setup.sh installs it)" >&2
            return 1
        fi
    done
}

# The bed's session bus, in RUN, starts on demand only the services whose files are given; the
# portal itself is started by hand, so the bus neither starts it before its backend is ready nor
# again after a test stopped it.
bed_prepare_bus() {
    local run=$1 service
    shift
    mkdir -p "$run/services"
    for service in "$@"; do
        [ -e "$service" ] && cp "$service" "$run/services/"
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

# Runs COMMAND as nobody with a clean environment, HOME set to HOME and the given NAME=VALUE
# pairs: the desktops refuse root, or are no normal session under it.
# Usage: bed_as_nobody HOME [NAME=VALUE...] -- COMMAND [ARGS...]
bed_as_nobody() {
    local home=$1 settings=()
    shift
    while [ "$1" != -- ]; do
        settings+=("$1")
        shift
    done
    shift
    setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env \
        env PATH=/usr/bin:/bin HOME="$home" USER=nobody LOGNAME=nobody LANG=C.UTF-8 \
        QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-wayland}" "${settings[@]}" "$@"
}

# Runs SELF --inside PROGRAM [ARGS...] in a session bus of the bed's folder RUN, with HOME in
# it; as root as nobody, where the desktop needs the NAME=VALUE pairs handed on explicitly.
# Usage: bed_run_session RUN SELF [NAME=VALUE...] -- PROGRAM [ARGS...]
bed_run_session() {
    local run=$1 self=$2 settings=()
    shift 2
    while [ "$1" != -- ]; do
        settings+=("$1")
        shift
    done
    shift
    # Xwayland puts its socket there; a fresh container may not have the folder yet
    [ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix 2>/dev/null
    if [ "$(id -u)" = 0 ]; then
        chown -R nobody:nogroup "$run"
        bed_as_nobody "$run/home" BED_RUN="$run" BED_LOGS="${BED_LOGS:-}" "${settings[@]}" -- \
            dbus-run-session --config-file="$run/bus.conf" -- "$self" --inside "$@"
    else
        HOME="$run/home" BED_RUN=$run dbus-run-session --config-file="$run/bus.conf" -- \
            "$self" --inside "$@"
    fi
}

# Outside the bed, and never returning: skips where bed_check (the bed's) fails, else makes the
# bed's folder and bus, where the bus starts on demand the services of the bed's array
# bed_services, lets bed_prepare RUN (where the bed defines it) add what the desktop needs, and
# runs SELF --inside PROGRAM [ARGS...] there with the NAME=VALUE pairs of the array
# bed_settings; exits with the program's status once the bed's folder is gone.
# Usage: bed_launch SELF PROGRAM [ARGS...]
bed_launch() {
    local self=$1 run status
    shift
    [ $# -gt 0 ] || bed_usage
    bed_check || exit $BED_SKIP
    run=$(mktemp -d "/tmp/fg-$bed_name.XXXXXX")
    chmod 755 "$run"
    bed_prepare_bus "$run" ${bed_services[@]+"${bed_services[@]}"}
    if declare -F bed_prepare >/dev/null; then
        bed_prepare "$run" || { rm -rf "$run"; exit 1; }
    fi
    bed_run_session "$run" "$self" ${bed_settings[@]+"${bed_settings[@]}"} -- "$@"
    status=$?
    rm -rf "$run"
    exit $status
}

# Inside the bed: its HOME, runtime folder and log folder under BED_RUN.
bed_enter() {
    run=$BED_RUN
    mkdir -p "$HOME" "$run/runtime" "$run/log"
    chmod 700 "$run/runtime"
    export XDG_RUNTIME_DIR=$run/runtime
    bed_pids=()
    trap bed_stop EXIT
}

# Stops what the bed started, newest first; on a failure shows the end of every log, and copies
# the logs to BED_LOGS where that is set. A bed may define bed_before_stop for more to stop.
bed_stop() {
    local status=$? i log
    declare -F bed_before_stop >/dev/null && bed_before_stop
    for ((i = ${#bed_pids[@]} - 1; i >= 0; i--)); do kill "${bed_pids[i]}" 2>/dev/null; done
    wait 2>/dev/null
    if [ "$status" != 0 ] && [ "$status" != $BED_SKIP ]; then
        for log in "$run"/log/*; do
            echo "---- $(basename "$log") (last lines)" >&2
            tail -n 15 "$log" >&2
        done
    fi
    [ -n "${BED_LOGS:-}" ] && cp -r "$run/log/." "$BED_LOGS/" 2>/dev/null
}

# Starts COMMAND [ARGS...] in the background, its output in the log NAME, to be stopped with
# the bed. Usage: bed_start NAME COMMAND [ARGS...]
bed_start() {
    local name=$1
    shift
    "$@" >"$run/log/$name" 2>&1 &
    bed_pids+=($!)
}

# Retries COMMAND every tenth of a second, TRIES times at most.
bed_wait_for() {
    local tries=$1 k
    shift
    for ((k = 0; k < tries; k++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "$bed_name: gave up waiting for: $*" >&2
    return 1
}

bed_on_bus() {
    gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
        -m org.freedesktop.DBus.GetNameOwner "$1"
}

# Starts the desktop's portal backend, the screenshot portal after it, and waits until the
# portal offers Screenshot, which it does only once its backend answered (before that a request
# fails). Usage: bed_start_portal BUS_NAME COMMAND [ARGS...] (the backend's)
bed_start_portal() {
    local backend=$1
    shift
    bed_start portal-backend "$@"
    bed_wait_for 100 bed_on_bus "$backend" || exit $BED_NO_BACKEND
    bed_start portal /usr/libexec/xdg-desktop-portal -v
    bed_wait_for 100 bash -c 'gdbus introspect --session -d org.freedesktop.portal.Desktop \
        -o /org/freedesktop/portal/desktop | grep -q "interface org.freedesktop.portal.Screenshot"' ||
        exit $BED_NO_PORTAL
}
