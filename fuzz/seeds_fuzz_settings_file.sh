#!/bin/sh
# The settings fuzzer starts from the hand-made files kept beside this script.
cp "$(dirname "$0")/seeds/settings_file/"* "$1"/
