#!/usr/bin/env bash
# The squeeze of the real layouts of ../shared/corpus (drawn with another
# editor; full CIF) under their own process rules (scmos.bridge, scmos.tf),
# one line per layout with the processor time of each phase: rows (scan and
# both sweeps), graphs, solves (longest paths, positions), output.
#   bench/squeeze/real.sh [layout.cif ...]   (default: the corpus layouts)
# CORPUS names the folder of the layouts and rules (default ../shared/corpus
# beside the tree).  bench/resize/real.sh checks the same runs for rule
# violations and the circuit.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build-release}
corpus=${CORPUS:-$root/../shared/corpus}
[ -d "$corpus" ] || { echo "no corpus folder $corpus (CORPUS)" >&2; exit 2; }
corpus=$(cd "$corpus" && pwd)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORIN_BUILD_TESTS=OFF \
      -DQUORIN_BUILD_GUI=OFF >/dev/null
make -C "$build" -j2 squeeze_bench >/dev/null
export SYSRC=$root/lib/sysrc QUORIN_SOURCE=$root
out=$root/bench/out/squeeze-real
mkdir -p "$out"
cd "$out"
layouts=("$@")
[ ${#layouts[@]} -gt 0 ] || layouts=("$corpus"/mux21.cif "$corpus"/bitslice.cif "$corpus"/datapath8.cif)
for f in "${layouts[@]}"; do
  printf '%-16s ' "$(basename "$f" .cif)"
  "$build/squeeze_bench" --full "$f" "$corpus/scmos.bridge" "$corpus/scmos.tf"
done
