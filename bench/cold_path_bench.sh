#!/bin/bash
# The cold conversion of a generated race beside two yardsticks on the same file: wc -l and
# pandas.read_csv (python3-pandas). Each is run three times, alternating; the medians of the
# wall times and zuntext-batch's peak memory per row are printed.
#   bench/cold_path_bench.sh [BUILD_DIR] [LINES]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
lines=${2:-1000000}
cmake --build "$build" --target gen_race zuntext-batch -j2 >/dev/null
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
"$build/bench/gen_race" "$lines" 1 > "$data/race.txt"
cat "$data/race.txt" > /dev/null  # in the page cache for all three

# Wall seconds and peak KB of one command.
measure() { /usr/bin/time -f "%e %M" -o "$data/t" "$@" > /dev/null 2>&1; cat "$data/t"; }
median() { sort -n | sed -n 2p; }

: > "$data/wc"; : > "$data/pandas"; : > "$data/batch"; : > "$data/mem"
for i in 1 2 3; do
  measure wc -l "$data/race.txt" | cut -d' ' -f1 >> "$data/wc"
  measure /usr/bin/python3 -c "import sys, pandas; pandas.read_csv(sys.argv[1], header=None)" "$data/race.txt" \
    | cut -d' ' -f1 >> "$data/pandas"
  rm -rf "$data/out"
  read -r secs kb < <(measure "$build/src/batch/zuntext-batch" "$data/race.txt" "$data/out")
  echo "$secs" >> "$data/batch"
  echo "$kb" >> "$data/mem"
done
wc_s=$(median < "$data/wc"); pandas_s=$(median < "$data/pandas"); batch_s=$(median < "$data/batch")
kb=$(median < "$data/mem")
echo "lines $lines: wc -l ${wc_s}s, pandas.read_csv ${pandas_s}s (whole process), zuntext-batch ${batch_s}s (whole process)"
awk -v b="$batch_s" -v p="$pandas_s" -v kb="$kb" -v n="$lines" \
  'BEGIN { printf "zuntext-batch / pandas = %.2f; peak memory %d KB = %.0f bytes per row\n", (p > 0 ? b / p : 0), kb, kb * 1024 / n }'
