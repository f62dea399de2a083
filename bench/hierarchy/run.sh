#!/usr/bin/env bash
# Benchmark of the hierarchy steps of the load chain (pins on nets,
# grouping, listing, matcher netlist) on flat arrays of nMOS cells from
# bench/gen_cif: one line per size with
#   n(transistors)  groups  seconds  transistors/s  extra-RSS-MB  and the
#   pins with the seconds of each step
#   bench/hierarchy/run.sh [sizes...]     (default 2000 20000 200000)
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORIN_BENCH_BUILD:-$src/build-bench}
out=$src/bench/out/hierarchy
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(2000 20000 200000)

cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORIN_BUILD_TESTS=OFF >/dev/null
make -C "$build" -j2 gen_cif hierarchy_bench >/dev/null
mkdir -p "$out"
cd "$out"
printf '%9s %9s %8s %14s %8s\n' n groups seconds transistors/s MB
for n in "${sizes[@]}"; do
  file=nmos_$n.cif
  [ -f "$file" ] || "$build/gen_cif" --kind flat --cell nmos --count "$n" -o "$file" 2>/dev/null
  read -r count groups seconds rate mb steps < <("$build/hierarchy_bench" "$file" 2>/dev/null)
  printf '%9d %9d %8.3f %14.0f %8.1f  %s\n' "$count" "$groups" "$seconds" "$rate" "$mb" "$steps"
done
