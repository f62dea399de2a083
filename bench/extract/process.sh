#!/usr/bin/env bash
# The whole quorin-batch process of the load chain: technology, the layout
# (read, flatten, planes, extraction and the passive steps) and
# "circuit.net", on flat and hierarchical arrays of CMOS inverters from
# bench/gen_cif.  One line per layout:
#   kind inverters boxes cpu-seconds(user+sys) wall-seconds peak-RSS-MB us-of-cpu-per-box
# then per kind the growth of the processor time per box from the smallest
# to the largest size.  Processor time, not wall time, is what to compare on
# a shared machine.
#   bench/extract/process.sh [inverters...]    (default 1000 10000 100000)
# KINDS="flat hier" chooses the kinds.  400000 inverters are 10^7 boxes and
# need about 3 GB: run that size on a machine with room, under nice.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORIN_BENCH_BUILD:-$src/build-bench}
out=$src/bench/out/process
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(1000 10000 100000)

cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORIN_BUILD_TESTS=OFF \
      -DQUORIN_BUILD_GUI=OFF >/dev/null
make -C "$build" -j2 gen_cif quorin-batch >/dev/null
mkdir -p "$out"
cd "$out"
ln -sfn "$src/lib" lib
printf '%-5s %9s %9s %8s %8s %8s %8s\n' kind inverters boxes cpu-s wall-s peakMB us/box
for kind in ${KINDS:-flat hier}; do
  first="" last=""
  for n in "${sizes[@]}"; do
    file=inverters_${kind}_$n.cif
    # The generator's report gives the box count of the layout as drawn.
    [ -f "$file" ] && [ -f "${file%.cif}.gen.txt" ] ||
      "$build/gen_cif" --kind "$kind" --cell inverter --count "$n" -o "$file" 2>"${file%.cif}.gen.txt"
    boxes=$(grep -o '[0-9]* boxes' "${file%.cif}.gen.txt" 2>/dev/null | head -1 | cut -d' ' -f1)
    printf 'f.DIldTech lib/example.tech\nf.DIldLayout %s\nf.DExOutput\n' "$file" >chain.batch
    SYSRC=$src/lib/sysrc /usr/bin/time -f '%U %S %e %M' -o time.txt \
      "$build/quorin-batch" chain.batch >chain.out 2>chain.err ||
      { echo "$kind $n: quorin-batch failed (chain.err)"; continue; }
    grep -q "circuit.net is created" chain.err || echo "$kind $n: no circuit.net"
    read -r user sys wall peak <time.txt
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
    perbox=$(awk -v c="$cpu" -v b="$boxes" 'BEGIN { printf "%.3f", 1e6 * c / b }')
    printf '%-5s %9d %9d %8s %8s %8.0f %8s\n' "$kind" "$n" "$boxes" "$cpu" "$wall" \
      "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')" "$perbox"
    [ -z "$first" ] && first=$perbox
    last=$perbox
  done
  [ -n "$first" ] && awk -v k="$kind" -v a="$first" -v b="$last" \
    'BEGIN { printf "%s: processor time per box, largest over smallest size: %.2f\n", k, b / a }'
done
