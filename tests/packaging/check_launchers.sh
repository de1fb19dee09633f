#!/usr/bin/env bash
# Checks the installed desktop entry and D-Bus service file: every command in them starts the
# installed program by its absolute path, quoted where the path needs it, and the validator
# accepts the entry.
# Usage: check_launchers.sh <installed share folder> <the program's absolute path as installed>
set -euo pipefail
share="$1"
program="$2"
id=org.framegrove.Framegrove
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
entry="$share/applications/$id.desktop"
service="$share/dbus-1/services/$id.service"
[ -f "$entry" ] || fail "no desktop entry at $entry"
[ -f "$service" ] || fail "no D-Bus service file at $service"
desktop-file-validate "$entry"

word="$program"
[[ "$program" == *[[:space:]]* ]] && word="\"$program\""
expected=("Exec=$word" "Exec=$word --area" "Exec=$word --window" "Exec=$word --delay 5")
mapfile -t found < <(grep '^Exec=' "$entry")
[ "${found[*]}" = "${expected[*]}" ] ||
    fail "the desktop entry's commands are '${found[*]}', not '${expected[*]}'"
grep -qx "Name=$id" "$service" || fail "the service file names another bus name"
[ "$(grep '^Exec=' "$service")" = "Exec=$word --activated" ] ||
    fail "the service file starts '$(grep '^Exec=' "$service")', not '$word --activated'"
