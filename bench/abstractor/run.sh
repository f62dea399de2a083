#!/usr/bin/env bash
# Benchmark of subpyxis: builds it in Release, writes random circuits of
# 10^4, 10^5 and 10^6 transistors with planted instances of every library
# subcircuit, and times the search for all differential pairs in each, as
# the hierarchical symmetry detection runs it (-y).  One line per size:
#   n  seconds  devices/s  peak RSS  instances found, planted differential pairs
#   bench/abstractor/run.sh [sizes...]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build-bench
out=$root/bench/out/abstractor
sizes=${*:-"10000 100000 1000000"}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORIN_BUILD_TESTS=OFF \
  -DQUORIN_BUILD_GUI=OFF >/dev/null
make -C "$build" -j2 subpyxis gen_circuit >/dev/null
mkdir -p "$out"
library=$root/examples/subckt_library
subcircuits=(diffpair diffpair_p mirror mirror_p cascode_mirror inverter crosscoupled)
printf '%10s %9s %12s %12s %10s %8s\n' n seconds devices/s peak_rss_MB instances planted
for n in $sizes; do
  circuit=$out/circuit_$n.sim
  "$build/gen_circuit" "$n" 1 "$circuit" "${subcircuits[@]/#/$library/}" 2>"$out/planted_$n.txt"
  planted=$(awk '$2 ~ /\/diffpair$/ {print $3}' "$out/planted_$n.txt")
  rm -f "$out/pairs_$n"
  /usr/bin/time -f '%e %M' -o "$out/time_$n.txt" \
    "$build/subpyxis" "$library/diffpair" "$circuit" -y "$out/pairs_$n" >"$out/log_$n.txt"
  read -r seconds rss <"$out/time_$n.txt"
  found=$(sed -n 's/^\([0-9]*\) INSTANCES* OF ISOMORPHISM FOUND.*/\1/p' "$out/log_$n.txt")
  awk -v n="$n" -v s="$seconds" -v r="$rss" -v f="$found" -v p="$planted" \
    'BEGIN { printf "%10d %9.2f %12.0f %12.1f %10d %8d\n", n, s, n / (s > 0 ? s : 0.001), r / 1024, f, p }'
done
