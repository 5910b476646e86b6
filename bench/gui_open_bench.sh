#!/bin/bash
# Opens a generated 1,000,000-line zunText file in the real window (offscreen), filters it by a
# bib, clears the filter, ticks after appended readings with and without a filter, and reports
# the times and the process's memory.
#   bench/gui_open_bench.sh [BUILD_DIR] [LINES]
# Needs the targets gen_race and gui_open_bench (a build with ZUN_BUILD_GUI and ZUN_BUILD_BENCH).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
lines=${2:-1000000}
cmake --build "$build" --target gen_race gui_open_bench -j2
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
"$build/bench/gen_race" "$lines" 7 > "$data/race.txt"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$build/bench/gui_open_bench" "$data/race.txt" 150
