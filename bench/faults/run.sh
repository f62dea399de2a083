#!/usr/bin/env bash
# Benchmark of the fault and yield runs on flat arrays of CMOS inverters
# from bench/gen_cif, at a defect size of two grid steps: per size one line
# per run with
#   inverters  run  nets  seconds  nets/s  peak-RSS-MB
# (bridges f.DFexLayersS, pinholes f.DFexLayersP, opens f.DFexLayersO, and
# sweep: f.DYanaShort on metal 1 over ten defect sizes), then per run the
# ratio of the time per net of the largest size to the smallest.  A run not
# built yet shows "not available".
#   bench/faults/run.sh [sizes...]     (default 1000 10000 100000)
# Goals at 100,000 inverters: bridges < 20 s, pinholes < 10 s, opens < 30 s,
# sweep < 30 s; time per net growing less than 2x over the sizes.
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${QUORIN_BENCH_BUILD:-$src/build-bench}
out=$src/bench/out/faults
sizes=("$@")
[ ${#sizes[@]} -eq 0 ] && sizes=(1000 10000 100000)

cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORIN_BUILD_TESTS=OFF >/dev/null
make -C "$build" -j2 gen_cif fault_bench >/dev/null
mkdir -p "$out"
cd "$out"
printf '%10s %-9s %9s %8s %10s %8s\n' inverters run nets seconds nets/s peakMB
declare -A first last
for n in "${sizes[@]}"; do
  file=inverters_flat_$n.cif
  [ -f "$file" ] || "$build/gen_cif" --kind flat --cell inverter --count "$n" -o "$file" 2>/dev/null
  while read -r run rest; do
    if [[ $rest == "not available" || $rest == abandoned ]]; then
      printf '%10d %-9s %s\n' "$n" "$run" "$rest"
      continue
    fi
    read -r nets seconds rate peak <<<"$rest"
    printf '%10d %-9s %9d %8.3f %10.0f %8.1f\n' "$n" "$run" "$nets" "$seconds" "$rate" "$peak"
    per=$(awk -v s="$seconds" -v k="$nets" 'BEGIN { printf "%.12f", s / k }')
    [ -z "${first[$run]:-}" ] && first[$run]=$per
    last[$run]=$per
  done < <("$build/fault_bench" "$file" 2>/dev/null)
done
for run in bridges pinholes opens sweep; do
  [ -n "${first[$run]:-}" ] || continue
  awk -v r="$run" -v a="${first[$run]}" -v b="${last[$run]}" \
    'BEGIN { printf "%s: time per net, largest over smallest size: %.2f\n", r, b / a }'
done
