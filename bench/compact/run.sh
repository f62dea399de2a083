#!/usr/bin/env bash
# Builds the row benchmark in a Release tree and prints one line per size:
# n boxes, tiles, seconds (wall and CPU) of init_staff, the variable scan and
# both sweeps, rows, rows per second, microseconds per box and peak RSS
# (planes included); then how the time per box grows from the smallest size
# to the largest.
#   bench/compact/run.sh [sizes...]          (default 10000 100000 1000000)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build-release}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORIN_BUILD_TESTS=OFF \
      -DQUORIN_BUILD_GUI=OFF >/dev/null
make -C "$build" -j2 rows_bench >/dev/null
export SYSRC=$root/lib/sysrc
first="" last=""
for n in ${*:-10000 100000 1000000}; do
  line=$("$build/rows_bench" "$n")
  echo "$line"
  per=$(echo "$line" | sed -E 's/.*us\/box ([0-9.]+).*/\1/')
  [ -z "$first" ] && first=$per
  last=$per
done
awk -v a="$first" -v b="$last" 'BEGIN { printf "time per box grows %.2fx from the smallest size to the largest\n", b / a }'
