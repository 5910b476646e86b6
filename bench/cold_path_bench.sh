#!/bin/bash
# The cold conversion of a generated race beside two yardsticks on the same file: wc -l and
# pandas.read_csv (python3-pandas), the latter both as a whole process and as the read_csv call
# alone (timed inside Python, without the interpreter's start and pandas' import). Each is run
# five times, alternating; the medians of the wall times and zuntext-batch's peak memory per row
# are printed.
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

# Wall seconds and peak KB of one command. The disk is settled first: the last run's outputs
# would otherwise still be written back while the next command is timed.
measure() { sync; /usr/bin/time -f "%e %M" -o "$data/t" "$@" > /dev/null 2>&1; cat "$data/t"; }
median() { sort -n | sed -n 3p; }
read_csv='import sys, time, pandas
t = time.perf_counter()
pandas.read_csv(sys.argv[1], header=None)
open(sys.argv[2], "a").write("%.3f\n" % (time.perf_counter() - t))'

: > "$data/wc"; : > "$data/pandas"; : > "$data/call"; : > "$data/batch"; : > "$data/mem"
for i in 1 2 3 4 5; do
  measure wc -l "$data/race.txt" | cut -d' ' -f1 >> "$data/wc"
  measure /usr/bin/python3 -c "$read_csv" "$data/race.txt" "$data/call" | cut -d' ' -f1 >> "$data/pandas"
  rm -rf "$data/out"
  read -r secs kb < <(measure "$build/src/batch/zuntext-batch" "$data/race.txt" "$data/out")
  echo "$secs" >> "$data/batch"
  echo "$kb" >> "$data/mem"
done
wc_s=$(median < "$data/wc"); pandas_s=$(median < "$data/pandas"); call_s=$(median < "$data/call")
batch_s=$(median < "$data/batch"); kb=$(median < "$data/mem")
echo "lines $lines: wc -l ${wc_s}s; pandas ${pandas_s}s as a whole process, its read_csv call ${call_s}s;" \
  "zuntext-batch ${batch_s}s as a whole process"
awk -v b="$batch_s" -v p="$pandas_s" -v c="$call_s" -v kb="$kb" -v n="$lines" \
  'BEGIN { printf "zuntext-batch / pandas process = %.2f, / read_csv call = %.2f; peak memory %d KB = %.0f bytes per row\n", (p > 0 ? b / p : 0), (c > 0 ? b / c : 0), kb, kb * 1024 / n }'
