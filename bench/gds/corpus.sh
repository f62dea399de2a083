#!/usr/bin/env bash
# The corpus layouts (../shared/corpus, full CIF) written as GDSII
# hierarchies by bench/gds/cif2gds.py and loaded with f.DIldGds: the netlist
# and the matcher netlist must be those of the CIF load.  One line a layout:
#   name  transistors  same|DIFFERENT
#   bench/gds/corpus.sh [build-folder]
set -uo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$src/build}
corpus=$src/../shared/corpus
[ -d "$corpus" ] || { echo "corpus: no folder $corpus: skipped"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SYSRC=$src/lib/sysrc
status=0
for cif in "$corpus"/*.cif; do
  name=$(basename "$cif" .cif)
  python3 "$src/bench/gds/cif2gds.py" "$cif" "$work/$name.gds" || { status=1; continue; }
  (cd "$work" && printf 'f.DIcifMode Full\nf.DIldLayout %s\nf.DExOutput\n' "$cif" |
     "$build/quorin-batch" >/dev/null 2>&1 && mv circuit.net cif.net && mv netlist_subpyxis cif.sub)
  (cd "$work" && printf 'f.DIldGds %s.gds\nf.DExOutput\n' "$name" |
     "$build/quorin-batch" >/dev/null 2>&1 && mv circuit.net gds.net && mv netlist_subpyxis gds.sub)
  verdict=same
  cmp -s "$work/cif.net" "$work/gds.net" && cmp -s "$work/cif.sub" "$work/gds.sub" ||
    { verdict=DIFFERENT; status=1; }
  printf '%-10s %5d %s\n' "$name" "$(wc -l < "$work/cif.net")" "$verdict"
done
exit $status
