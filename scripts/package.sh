#!/usr/bin/env bash
# Makes the Debian package of what was built, into build/packages/ (or the folder given), and
# prints its path.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${FG_BUILD_DIR:-$here/build}"
out="${1:-$build/packages}"
"$here/scripts/setup.sh" >/dev/null # the packages it needs, and the build
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out.log" 2>&1 || {
    cat "$out.log" >&2
    exit 1
}
rm -f "$out.log"
ls "$out"/*.deb
