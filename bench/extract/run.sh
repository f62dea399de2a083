#!/usr/bin/env bash
# Benchmark of circuit extraction on flat arrays of nMOS cells from
# bench/gen_cif (one transistor each): one line per size with
#   n(transistors)  nets  seconds  transistors/s  us/net  peak-RSS-MB
# where seconds is DExCir with the net check and "circuit.net"; then the
# ratio of the time per transistor of the largest size to the smallest.
# Last, the whole load chain of the load-and-analyse action (read, flatten,
# planes on two threads, extraction and net check, then the passive devices,
# their nets, pins, multi-finger groups and "netlist_subpyxis") on flat and
# hierarchical arrays of 1,000, 10,000 and 100,000 CMOS inverters, one line
# per layout:
#   kind cells boxes transistors wall-seconds cpu-seconds boxes/cpu-second
#   peak-RSS-MB microseconds-of-cpu-per-box
# followed by one line per step (extract_bench --chain --steps): wall
# seconds, the change of resident memory, the peak RSS when it ends, its
# processor seconds (both threads) and its work with the rate per processor
# second (boxes read, tiles created, transistors, nets); then per kind the
# growth of the time per box.  On a shared machine compare the processor
# seconds; the wall seconds show the second thread only on an idle one.
# Last, the chain on 1,000 copies of bench/extract/passives_cell.cif
# (skipped while it is missing).
#   bench/extract/run.sh [sizes...]     (default 1000 10000 100000)
# Set CHAIN=0 to leave out the chains, CHAIN_SIZES="..." for other inverter
# counts; TEMPLATE=file.cif copies another flat template for the last chain.
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
  # The chain on flat and hierarchical arrays of CMOS inverters, 10^3 to
  # 10^5 cells (about 10^4 to 10^6 boxes); then per kind the growth of the
  # processor time per box from the smallest to the largest size.
  printf '%-5s %8s %9s %8s %8s %8s %11s %8s %9s\n' kind cells boxes transist seconds cpu-s \
    boxes/cpu-s peakMB us/box
  for kind in flat hier; do
    first="" last=""
    for n in ${CHAIN_SIZES:-1000 10000 100000}; do
      file=inverters_${kind}_$n.cif
      [ -f "$file" ] || "$build/gen_cif" --kind "$kind" --cell inverter --count "$n" -o "$file" 2>/dev/null
      "$build/extract_bench" --chain --steps "$file" 2>/dev/null >chain.txt
      read -r boxes transistors seconds rate peak cpu _ <chain.txt
      perbox=$(awk -v c="$cpu" -v b="$boxes" 'BEGIN { printf "%.3f", 1e6 * c / b }')
      printf '%-5s %8d %9d %8d %8.3f %8.3f %11.0f %8.1f %9s\n' "$kind" "$n" "$boxes" \
        "$transistors" "$seconds" "$cpu" "$(awk -v c="$cpu" -v b="$boxes" 'BEGIN { print b / c }')" \
        "$peak" "$perbox"
      sed -n '2,$p' chain.txt
      [ -z "$first" ] && first=$perbox
      last=$perbox
    done
    awk -v k="$kind" -v a="$first" -v b="$last" \
      'BEGIN { printf "%s: processor time per box, largest over smallest size: %.2f\n", k, b / a }'
  done

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
