#!/usr/bin/env bash
# Benchmark of the substrate report (f.SBmain's steps) on grids of
# four-finger nMOS groups, each in a ring of four ground strips, from
# bench/substrate/gen_substrate: one line per size with
#   groups  strips  load-seconds  substrate-seconds  groups/s  peak-RSS-MB
#   and the seconds of the bulk search, the relation, measuring and report
#   bench/substrate/run.sh [sizes...]     (default 100 1000 10000)
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORIN_BENCH_BUILD:-$src/build-bench}
out=$src/bench/out/substrate
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(100 1000 10000)

cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORIN_BUILD_TESTS=OFF >/dev/null
make -C "$build" -j2 gen_substrate substrate_bench >/dev/null
mkdir -p "$out"
cd "$out"
printf '%7s %7s %8s %9s %9s %8s\n' groups strips load-s substr-s groups/s peakMB
for n in "${sizes[@]}"; do
  file=groups_$n.cif
  [ -f "$file" ] || "$build/gen_substrate" --count "$n" -o "$file" 2>/dev/null
  read -r groups strips load seconds rate peak steps < <("$build/substrate_bench" "$file" 2>/dev/null)
  printf '%7d %7d %8.3f %9.3f %9.0f %8.1f  %s\n' "$groups" "$strips" "$load" "$seconds" "$rate" \
    "$peak" "$steps"
done
