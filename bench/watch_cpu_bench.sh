#!/usr/bin/env bash
# The share of a core zuntext-batch --watch takes on a race of LINES readings (default
# 1,000,000) while one reading a second is appended, over SECONDS (default 60), with the load
# (uptime) beside it. A second build (BASELINE_BUILD) is measured the same way, interleaved, for
# comparison.
#   bash bench/watch_cpu_bench.sh BUILD_DIR [LINES] [SECONDS]
set -euo pipefail
build="$1"; lines="${2:-1000000}"; seconds="${3:-60}"
work=$(mktemp -d /tmp/watch_cpu_bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
hz=$(getconf CLK_TCK)

measure() {  # BINARY LABEL
  local exe="$1" label="$2"
  mkdir -p "$work/race" "$work/out"
  "$build/bench/gen_race" "$lines" 1 > "$work/race/race.txt"
  "$exe" --watch "$work/race/race.txt" "$work/out" 2> "$work/log" &
  local pid=$!
  until grep -q "loaded whole" "$work/log" 2>/dev/null; do sleep 0.2; done
  sleep 2  # the first write's work written ahead is done
  local before=$(awk '{print $14 + $15}' /proc/$pid/stat) load=$(uptime)
  for ((i = 0; i < seconds; i++)); do
    echo "1,1,$((100 + i % 500)),9,235959000,235959000,$((235959000 + i))" >> "$work/race/race.txt"
    sleep 1
  done
  local after=$(awk '{print $14 + $15}' /proc/$pid/stat)
  kill -TERM $pid; wait $pid || true
  awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" -v l="$label" -v u="$load" \
    'BEGIN { printf "%s: %.1f %% of a core over %d s (%d readings)\n  load: %s\n", l, 100 * t / hz / s, s, s, u }'
  rm -rf "$work/race" "$work/out"
}

measure "$build/src/batch/zuntext-batch" "$build"
if [ -n "${BASELINE_BUILD:-}" ]; then measure "$BASELINE_BUILD/src/batch/zuntext-batch" "$BASELINE_BUILD"; fi
