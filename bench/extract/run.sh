#!/usr/bin/env bash
# Benchmark of circuit extraction on flat arrays of nMOS cells from
# bench/gen_cif (one transistor each): one line per size with
#   n(transistors)  nets  seconds  transistors/s  us/net  peak-RSS-MB
# where seconds is DExCir with the net check and "circuit.net"; then the
# ratio of the time per transistor of the largest size to the smallest.
# Last, the whole load chain of the load-and-analyse action (read, flatten,
# planes, extraction and net check, then the passive devices, their nets,
# pins, multi-finger groups and "netlist_subpyxis") on a flat array of
# 100,000 CMOS inverters and on 1,000 copies of the template
# bench/extract/passives_cell.cif (skipped while it is missing):
#   chain [template]  boxes  transistors  seconds  boxes/s  peak-RSS-MB
#          | passive steps  seconds  MB-added
# followed by one line per step: its seconds, the change of resident memory
# over it and the peak RSS when it ends (extract_bench --chain --steps).
#   bench/extract/run.sh [sizes...]     (default 1000 10000 100000)
# Set CHAIN=0 to leave out the chain; TEMPLATE=file.cif copies another flat
# template for the second chain.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORIN_BENCH_BUILD:-$src/build-bench}
out=$src/bench/out/extract
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(1000 10000 100000)

cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORIN_BUILD_TESTS=OFF >/dev/null
make -C "$build" -j2 gen_cif extract_bench >/dev/null
template=${TEMPLATE:-$src/bench/extract/passives_cell.cif}
[ -f "$template" ] && template=$(cd "$(dirname "$template")" && pwd)/$(basename "$template")
mkdir -p "$out"
cd "$out"
printf '%9s %9s %8s %12s %8s %8s\n' n nets seconds transistors/s us/net peakMB
first="" last=""
for n in "${sizes[@]}"; do
  file=nmos_$n.cif
  [ -f "$file" ] || "$build/gen_cif" --kind flat --cell nmos --count "$n" -o "$file" 2>/dev/null
  read -r count nets seconds rate pernet peak < <("$build/extract_bench" "$file" 2>/dev/null)
  printf '%9d %9d %8.3f %12.0f %8.2f %8.1f\n' "$count" "$nets" "$seconds" "$rate" "$pernet" "$peak"
  per=$(awk -v s="$seconds" -v n="$count" 'BEGIN { printf "%.9f", s / n }')
  [ -z "$first" ] && first=$per
  last=$per
done
awk -v a="$first" -v b="$last" 'BEGIN { printf "time per transistor, largest over smallest size: %.2f\n", b / a }'

if [ "${CHAIN:-1}" != 0 ]; then
  file=inverters_flat_100000.cif
  [ -f "$file" ] || "$build/gen_cif" --kind flat --cell inverter --count 100000 -o "$file" 2>/dev/null
  echo "chain $("$build/extract_bench" --chain --steps "$file" 2>/dev/null)"

  name=$(basename "$template" .cif)
  file=${name}_1000.cif
  if [ ! -f "$template" ]; then
    echo "chain $name: the template $template is missing; skipped"
  elif [ ! -f "$file" ] || [ "$template" -nt "$file" ] &&
       ! "$build/gen_cif" --template "$template" --count 1000 -o "$file" 2>gen_cif.err; then
    echo "chain $name: $(tail -1 gen_cif.err); skipped"
  else
    echo "chain $name $("$build/extract_bench" --chain --steps "$file" 2>/dev/null)"
  fi
fi
