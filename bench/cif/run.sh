#!/usr/bin/env bash
# Benchmark of reading and flattening CIF: generated inverter arrays of
# 10^4 to 10^6 boxes, flat and hierarchical.  One line per layout:
#   kind  n(boxes)  seconds  boxes/s  peak-RSS-MB  bytes/box  cpu  cpu-read
# seconds is wall-clock time of reading and flattening; bytes/box is the
# peak RSS above the RSS before reading, per flattened box; cpu is the
# user + system time of reading and flattening, cpu-read that of reading.
# Kind "flat-o" is the flat layout read with the pooled allocator (the
# programs' -o flag).
#   bench/cif/run.sh [sizes...]
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORIN_BENCH_BUILD:-$src/build-bench}
out=$src/bench/out/cif
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(10000 100000 1000000)

cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORIN_BUILD_TESTS=OFF >/dev/null
make -C "$build" -j2 gen_cif cif_bench >/dev/null
mkdir -p "$out"
printf '%-6s %9s %8s %10s %8s %9s %6s %8s\n' kind n seconds boxes/s peakMB bytes/box cpu cpu-read
for n in "${sizes[@]}"; do
  for kind in flat hier flat-o; do
    file=$out/inverters_${kind%-o}_$n.cif
    [ -f "$file" ] || "$build/gen_cif" --kind "${kind%-o}" --boxes "$n" -o "$file" 2>/dev/null
    pooled=()
    [ "$kind" = flat-o ] && pooled=(-o)
    read -r boxes seconds rate peak perbox cpu cpuread < <("$build/cif_bench" "${pooled[@]}" "$file")
    printf '%-6s %9d %8.3f %10.0f %8.1f %9.1f %6.3f %8.3f\n' "$kind" "$boxes" "$seconds" "$rate" \
           "$peak" "$perbox" "$cpu" "$cpuread"
  done
done
