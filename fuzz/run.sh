#!/usr/bin/env bash
# Builds the fuzz targets with clang in their own folder and runs each for a bounded time:
#   fuzz/run.sh [seconds per target, default 20]
# Inputs that crash are kept in the build folder's crashes/ and fail the run.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
build="${FG_FUZZ_BUILD_DIR:-$here/build-fuzz}"
[ -f "$build/build.ninja" ] ||
    cmake -S "$here/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
flock /tmp/fg-build.lock cmake --build "$build"
mkdir -p "$build/crashes"
for target in "$build"/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus="$build/corpus/$name"
    mkdir -p "$corpus"
    seeds=()
    [ -d "$build/seeds/$name" ] && seeds=("$build/seeds/$name")
    echo "fuzzing $name for $seconds s"
    "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/crashes/$name-" "$corpus" "${seeds[@]}" 2>&1 | tail -n 12
done
