#!/usr/bin/env bash
# Benchmark of reading GDSII: the flat array of 100,000 inverters (2.5 M
# boxes) that gen_cif writes, as GDSII and as CIF.  Lines:
#   read   boxes  cpu-read(s)  database-MB  above-database-MB   (best of 3)
#   chain  format  transistors  nets  cpu-chain(s)  peak-MB
#   ratio  GDSII chain / CIF chain (CPU time)
# Times are processor times (user + system); the machine may be shared.
#   bench/gds/run.sh [cells]
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORIN_BENCH_BUILD:-$src/build-bench}
out=$src/bench/out/gds
cells=${1:-100000}

cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORIN_BUILD_TESTS=OFF >/dev/null
make -C "$build" -j2 gen_cif gds_bench >/dev/null
mkdir -p "$out"
gds=$out/inverters_$cells.gds
cif=$out/inverters_$cells.cif
[ -f "$gds" ] || "$build/gen_cif" --kind flat --count "$cells" --gds -o "$gds" 2>/dev/null
[ -f "$cif" ] || "$build/gen_cif" --kind flat --count "$cells" -o "$cif" 2>/dev/null

for _ in 1 2 3; do "$build/gds_bench" "$gds"; done | sort -k2 -g | head -1 |
  awk '{ printf "read   %9d %8.3f s %8.1f MB %8.1f MB\n", $1, $2, $3, $4 }'
cd "$out"
gdsChain=$("$build/gds_bench" --chain "$gds")
cifChain=$("$build/gds_bench" --chain "$cif")
echo "$gdsChain" | awk '{ printf "chain  GDSII %7d %7d %8.3f s %8.1f MB\n", $1, $2, $3, $4 }'
echo "$cifChain" | awk '{ printf "chain  CIF   %7d %7d %8.3f s %8.1f MB\n", $1, $2, $3, $4 }'
awk -v g="$(echo "$gdsChain" | cut -d' ' -f3)" -v c="$(echo "$cifChain" | cut -d' ' -f3)" \
  'BEGIN { printf "ratio  %.3f\n", g / c }'
