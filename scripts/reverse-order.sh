#!/usr/bin/env bash
# Runs every QtTest program of the suite with its test functions in reverse order, each with the
# command, environment and time limit ctest gives it, on a private display as scripts/test.sh
# does: a test that passes only on what an earlier one left behind fails here.
# Usage: reverse-order.sh [ctest options that pick tests, such as -R REGEX or -E REGEX]
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${FG_BUILD_DIR:-$here/build}"

source "$here/scripts/xsession.sh"
prepare_test_display || exit 1
cd "$build" || exit 1
ctest --show-only=json-v1 "$@" | python3 "$here/scripts/reverse_order.py"
