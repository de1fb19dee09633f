#!/usr/bin/env bash
# Installs Framegrove into a temporary prefix and drives the installed program on the test
# display: "Help" and "Software Downloads" hand their documents to a stand-in browser set up for
# HTML in the test's own XDG folders, a missing document gives a message instead, and "About"
# shows its window. Then the help test program, put beside the installed one, checks the
# messages shown when no browser is set up.
# Usage: test_installed_program.sh <build folder> <help test program>
set -euo pipefail
build="$1"
help_test="$2"
work=$(mktemp -d /tmp/fg-installed.XXXXXX)
app=""
finish() {
    if [ -n "$app" ]; then kill "$app" 2>/dev/null; wait "$app" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap finish EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# a prefix with blanks, far longer than a hundred characters
prefix="$work/an installation folder/whose path runs on and on/far past a hundred characters/usr"
cmake --install "$build" --prefix "$prefix" >/dev/null
documents="$prefix/share/framegrove"
# the desktop starts the program where it was installed, not where the build expected it
"$(dirname "$0")/../packaging/check_launchers.sh" "$prefix/share" "$prefix/bin/framegrove"
# KWin grants its screenshots to the binary that entry names, when the entry asks for them
grep -qx 'X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2' "$prefix"/share/applications/*.desktop ||
    fail "the installed desktop entry does not ask KWin for its screenshots"

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
export XDG_DATA_HOME="$work/home/.local/share" XDG_DATA_DIRS="$work/no-system-programs"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/applications"
record="$work/browser-was-given"
cat >"$work/browser" <<EOS
#!/bin/sh
printf '%s\n' "\$@" >"$record.part" && mv "$record.part" "$record"
EOS
chmod +x "$work/browser"
set_up_browser() {
    printf '[Desktop Entry]\nType=Application\nName=Stand-in\nExec=%s %%f\nMimeType=text/html;\n' \
        "$work/browser" >"$XDG_DATA_HOME/applications/fg-stand-in.desktop"
    printf '[Default Applications]\ntext/html=fg-stand-in.desktop\n' >"$XDG_CONFIG_HOME/mimeapps.list"
}

"$prefix/bin/framegrove" &
app=$!
main=$(xdotool search --sync --onlyvisible --pid "$app" --name "^Framegrove - Screen Capture and More$" | head -n 1)
sleep 0.5
press() { # the middle of a button of the panel's last group
    local -A tops=([Software Downloads]=14 [Help]=38 [About]=62)
    xdotool mousemove --window "$main" $((756 - 176 + 7 + 71)) $((429 + ${tops[$1]} + 9)) click 1
}
expect_browser_given() {
    for _ in $(seq 1 100); do
        [ -f "$record" ] && break
        sleep 0.1
    done
    [ "$(cat "$record" 2>/dev/null)" = "$1" ] || fail "the browser was given '$(cat "$record" 2>/dev/null)', not '$1'"
    rm -f "$record"
}

set_up_browser
press Help
expect_browser_given "$documents/readme.html"
press "Software Downloads"
expect_browser_given "$documents/download.html"
# a missing document is reported, not handed over
rm "$documents/readme.html"
press Help
timeout 10 xdotool search --sync --onlyvisible --pid "$app" --name "^Framegrove Screen Capture$" >/dev/null ||
    fail "Help showed no message for a missing readme.html"
[ ! -f "$record" ] || fail "the browser was started for a missing readme.html"
xdotool key Return

press About
timeout 10 xdotool search --sync --onlyvisible --pid "$app" --name "^Framegrove $" >/dev/null ||
    fail "About showed no window"
kill "$app"
wait "$app" 2>/dev/null || true
app=""

# the test program has folders of its own, without the stand-in; the system's are shut out above
cp "$help_test" "$prefix/bin/"
"$prefix/bin/$(basename "$help_test")"
