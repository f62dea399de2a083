#!/usr/bin/env bash
# Builds the plane benchmark in a Release tree and prints one line per layout
# and size: n boxes, seconds (wall and CPU) of DCcrtCS, tiles, tiles per
# second, tiles per box, peak RSS and bytes per tile; then how the time per
# box grows from the smallest to the largest size.  Two layouts:
#   rows     rows of transistors with contacts and two metals, generated in
#            the benchmark (rectangle lists last row first, as read from CIF)
#   gen_cif  bench/gen_cif's array of inverter cells with rails, read from
#            CIF and flattened before the planes are timed
# Each figure is the best of three runs.
#   bench/cs/run.sh [sizes...]          (default 10000 100000 1000000)
# Extra cs_bench flags go in CS_BENCH_FLAGS (--check, --bottom-first).
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build-release}
out=$root/bench/out
mkdir -p "$out"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORIN_BUILD_TESTS=OFF \
      -DQUORIN_BUILD_GUI=OFF >/dev/null
make -C "$build" -j2 cs_bench gen_cif >/dev/null
export SYSRC=$root/lib/sysrc
sizes=${*:-10000 100000 1000000}

# Best of three runs of cs_bench with the given arguments.
best() {
  local line best_line="" best_cpu=""
  for _ in 1 2 3; do
    line=$("$build/cs_bench" "$@" ${CS_BENCH_FLAGS:-})
    cpu=$(echo "$line" | sed -E 's/.*\(cpu ([0-9.]+)\).*/\1/')
    if [ -z "$best_cpu" ] || awk -v a="$cpu" -v b="$best_cpu" 'BEGIN { exit !(a < b) }'; then
      best_cpu=$cpu best_line=$line
    fi
  done
  echo "$best_line"
}

for layout in rows gen_cif; do
  first="" last=""
  for n in $sizes; do
    if [ "$layout" = rows ]; then
      line=$(best "$n")
    else
      "$build/gen_cif" --kind hier --boxes "$n" -o "$out/cs_$n.cif" >/dev/null 2>&1
      line=$(best --cif "$out/cs_$n.cif")
    fi
    echo "$layout  $line"
    perbox=$(echo "$line" | sed -E 's/^n ([0-9]+) +seconds ([0-9.]+) \(cpu ([0-9.]+)\).*/\2 \3 \1/' |
             awk '{ printf "%.9f %.9f", $1 / $3, $2 / $3 }')
    [ -z "$first" ] && first=$perbox
    last=$perbox
  done
  echo "$first $last" | awk -v l="$layout" \
    '{ printf "%s  time per box, largest over smallest size: wall %.2f, cpu %.2f\n", l, $3 / $1, $4 / $2 }'
done
