#!/usr/bin/env bash
# Runs every test. Without a display it starts its own Xvfb and window manager and stops them
# again; returns ctest's status.
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh" || exit 1
build="${FG_BUILD_DIR:-$here/build}"

source "$here/scripts/xsession.sh"
prepare_test_display || exit 1
cd "$build" && ctest --output-on-failure "$@"
