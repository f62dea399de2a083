#!/usr/bin/env bash
# Benchmark of symmetry detection on generated symmetric layouts: direct
# detection (f.DirectSymDetection) on N mirrored one-finger pairs, three
# pairs per row, and hierarchical detection (f.HierarchicalSymDetection:
# subpyxis over examples/subckt_library, reading back, the finger checks) on
# N two-finger differential pairs.  One line per run:
#   kind  pairs  transistors  recorded  axes  load-s  detect-s  transistors/s  MB
#   bench/symmetry/run.sh [sizes...]     (default 100 1000 10000)
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORIN_BENCH_BUILD:-$src/build-bench}
out=$src/bench/out/symmetry
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(100 1000 10000)

cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORIN_BUILD_TESTS=OFF >/dev/null
make -C "$build" -j2 symmetry_bench subpyxis >/dev/null
mkdir -p "$out"
cd "$out"
# The matcher is found beside symmetry_bench (both in the build folder).

ln -sfn "$src/examples/subckt_library" subckt_library
printf '%-6s %6s %11s %8s %5s %7s %8s %13s %7s\n' kind pairs transistors recorded axes load-s detect-s transistors/s MB
for kind in direct hier; do
  for n in "${sizes[@]}"; do
    file=${kind}_$n.cif
    [ -f "$file" ] || python3 "$src/bench/symmetry/gen_sym.py" "$kind" "$n" >"$file"
    read -r count recorded axes load seconds rate mb < <("$build/symmetry_bench" "$kind" "$file" 2>/dev/null)
    printf '%-6s %6d %11d %8d %5d %7.3f %8.3f %13.0f %7.1f\n' "$kind" "$n" "$count" "$recorded" "$axes" "$load" "$seconds" "$rate" "$mb"
  done
done
