#!/usr/bin/env bash
# Benchmark of reading and flattening CIF: generated inverter arrays of
# 10^4 to 10^6 boxes, flat and hierarchical.  One line per layout:
#   kind  n(boxes)  seconds  boxes/s  peak-RSS-MB  bytes/box  cpu  cpu-read
# seconds is wall-clock time of reading and flattening; bytes/box is the
# peak RSS above the RSS before reading, per flattened box; cpu is the
# user + system time of reading and flattening, cpu-read that of reading.
# Kind "flat-o" is the flat layout read with the pooled allocator (the
# programs' -o flag).  Kind "flat-f" is the flat layout read in full CIF
# mode (-f); after each size a line "read" compares the reading rates of
# both modes on the flat layout (boxes per CPU second of reading, best of
# three runs each) and their ratio full/strict.
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
  for kind in flat hier flat-o flat-f; do
    file=$out/inverters_${kind%-?}_$n.cif
    [ -f "$file" ] || "$build/gen_cif" --kind "${kind%-?}" --boxes "$n" -o "$file" 2>/dev/null
    options=()
    [ "$kind" = flat-o ] && options=(-o)
    [ "$kind" = flat-f ] && options=(-f)
    read -r boxes seconds rate peak perbox cpu cpuread < <("$build/cif_bench" "${options[@]}" "$file")
    printf '%-6s %9d %8.3f %10.0f %8.1f %9.1f %6.3f %8.3f\n' "$kind" "$boxes" "$seconds" "$rate" \
           "$peak" "$perbox" "$cpu" "$cpuread"
  done
  # Reading alone, strict against full, on the same flat file.
  file=$out/inverters_flat_$n.cif
  best() {  # options...: the smallest CPU time of reading in three runs
    for _ in 1 2 3; do "$build/cif_bench" "$@" "$file" | awk '{print $7}'; done | sort -g | head -1
  }
  strict=$(best) full=$(best -f)
  awk -v n="$boxes" -v s="$strict" -v f="$full" 'BEGIN {
    printf "read   %9d strict %10.0f boxes/s  full %10.0f boxes/s  full/strict %.2f\n",
           n, n / s, n / f, s / f }'
done
