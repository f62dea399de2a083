#!/usr/bin/env bash
# Builds the squeeze benchmark in a Release tree and prints one line per
# size: boxes, rows, arcs of both graphs, waves of all longest-path runs,
# seconds of graphs + solves + output, arcs per second and peak RSS, on flat
# arrays of CMOS inverters from bench/gen_cif (about 25 boxes each) under
# the example process's rules.
#   bench/squeeze/run.sh [sizes...]   (boxes; default 1000 10000 100000)
# PROCESS_INCLUDE_WLM is the start value (wire-length minimisation).
# bench/squeeze/identity.sh compares the output of two builds (a change
# that speeds the squeeze up must not change "sq_out.cif").
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build-release}
out=$root/bench/out/squeeze
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORIN_BUILD_TESTS=OFF \
      -DQUORIN_BUILD_GUI=OFF >/dev/null
make -C "$build" -j2 squeeze_bench gen_cif >/dev/null
export SYSRC=$root/lib/sysrc QUORIN_SOURCE=$root
mkdir -p "$out"
cd "$out"
for n in ${*:-1000 10000 100000}; do
  count=$(( (n + 24) / 25 ))
  file=$out/inverters_$count.cif
  [ -f "$file" ] || "$build/gen_cif" --kind flat --cell inverter --count "$count" \
                      -o "$file" 2>/dev/null
  "$build/squeeze_bench" "$file"
done
