#!/usr/bin/env bash
# Builds the plane benchmark in a Release tree and prints one line per size:
# n boxes, seconds (wall and CPU) of DCcrtCS, tiles, tiles per second, tiles
# per box, peak RSS and bytes per tile; then how the time per box grows from
# the smallest to the largest size.
#   bench/cs/run.sh [sizes...]          (default 10000 100000 1000000)
# Extra cs_bench flags go in CS_BENCH_FLAGS (--check, --bottom-first).
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build-release}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORIN_BUILD_TESTS=OFF \
      -DQUORIN_BUILD_GUI=OFF >/dev/null
make -C "$build" -j2 cs_bench >/dev/null
export SYSRC=$root/lib/sysrc
sizes=${*:-10000 100000 1000000}
first="" last=""
for n in $sizes; do
  line=$("$build/cs_bench" "$n" ${CS_BENCH_FLAGS:-})
  echo "$line"
  # time per box: wall and CPU
  perbox=$(echo "$line" | sed -E 's/^n ([0-9]+) +seconds ([0-9.]+) \(cpu ([0-9.]+)\).*/\2 \3 \1/' |
           awk '{ printf "%.9f %.9f", $1 / $3, $2 / $3 }')
  [ -z "$first" ] && first=$perbox
  last=$perbox
done
echo "$first $last" | awk '{ printf "time per box, largest over smallest size: wall %.2f, cpu %.2f\n", $3 / $1, $4 / $2 }'
