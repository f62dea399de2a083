#!/usr/bin/env bash
# Compaction of real layouts drawn with another editor (../shared/corpus)
# under their own process rules (scmos.bridge, scmos.tf, full CIF), judged
# by the independent checks of tests/tools: per layout the processor time
# of quorin-batch (user + system, children included), the rule violations
# of the drawn layout and the new ones of "sq_out.cif" (rulecheck), and
# whether it is the same circuit (samecircuit).  Then the resize of
# mux21.cif with bench/resize/mux21_sizes.txt (the transistors of one NAND
# cell widened, the two of each diffusion strip alike), which must also
# come out with the requested sizes.
#
#   bench/resize/real.sh BUILD_DIR [case...]
#
# BUILD_DIR is any configured build tree of the workbench: its quorin-batch
# (built there if need be) runs with the lib/ of its own source tree.  The
# checks are built from this script's tree in CHECK_BUILD (default
# build-check beside it), so they need not exist in BUILD_DIR's tree.
# Cases: mux21 bitslice datapath8 (squeeze) and mux21-resize; all by
# default.  CORPUS: the layouts (default ../shared/corpus beside the tree);
# OUT_DIR: the runs (default bench/out/real); LIMIT: seconds a run may take
# (default 600).  Exit status 1 when a case did not write a clean, same
# circuit.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [mux21|bitslice|datapath8|mux21-resize ...]" >&2; exit 2; }
build=$(cd "$1" && pwd) || exit 2
shift
corpus=$(cd "${CORPUS:-$root/../shared/corpus}" 2>/dev/null && pwd) ||
  { echo "no corpus folder (CORPUS)" >&2; exit 2; }
out=${OUT_DIR:-$root/bench/out/real}
limit=${LIMIT:-600}
checks=${CHECK_BUILD:-$root/build-check}
source=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
[ -d "$source/lib" ] || { echo "$build is not a configured build tree" >&2; exit 2; }

cmake --build "$build" -j2 --target quorin-batch >/dev/null || exit 2
[ -f "$checks/CMakeCache.txt" ] ||
  cmake -S "$root" -B "$checks" -DCMAKE_BUILD_TYPE=Release -DQUORIN_BUILD_TESTS=OFF \
        -DQUORIN_BUILD_GUI=OFF >/dev/null || exit 2
cmake --build "$checks" -j2 --target rulecheck samecircuit >/dev/null || exit 2
mkdir -p "$out"
out=$(cd "$out" && pwd)
tech=$source/lib/example.tech
rules=("$corpus/scmos.bridge" "$corpus/scmos.tf")
status=0

run() {  # name layout [size file]
  local name=$1 layout=$2 sizes=${3:-} dir=$out/$1
  rm -rf "$dir"
  mkdir -p "$dir"
  {
    echo "f.DIcifMode Full"
    echo "f.DIldTech $tech"
    echo "f.DIldLayout $layout"
    echo "f.DRload ${rules[0]}"
    echo "f.DRloadCadenceDesRule2 ${rules[1]}"
    if [ -n "$sizes" ]; then
      echo "f.UStransSizeFile $sizes"
      echo "f.new_resize"
    else
      echo "squeeze"
    fi
  } >"$dir/run.batch"
  (cd "$dir" && SYSRC=$source/lib/sysrc timeout "$limit" /usr/bin/time -f '%U %S' -o cpu.txt \
     "$build/quorin-batch" run.batch >log.txt 2>err.txt)
  local rc=$? cpu
  cpu=$(awk 'NF == 2 && $1 ~ /^[0-9.]+$/ { printf "%.2f", $1 + $2 }' "$dir/cpu.txt" 2>/dev/null)
  local before
  before=$("$checks/rulecheck" "$tech" "${rules[@]}" "$layout" | head -1 | sed 's/.*: //')
  if [ $rc -eq 124 ]; then
    echo "$name: no result after $limit s (stopped); input: $before"
    status=1
    return
  fi
  if [ ! -f "$dir/sq_out.cif" ]; then
    echo "$name: abandoned after ${cpu:-?} s CPU (exit $rc): $(grep '^Fatal' "$dir/err.txt" | tail -1)"
    # The squeeze's own account: the lines of its last error report.
    awk '/^Error: Step/ { why = $0; getline more; sub(/^ +/, "", more); why = why ": " more }
         END { if (why) print "  " why }' "$dir/log.txt"
    echo "  input: $before"
    status=1
    return
  fi
  echo "$name: sq_out.cif written, ${cpu:-?} s CPU (user+sys)"
  "$checks/rulecheck" "$tech" "${rules[@]}" "$layout" "$dir/sq_out.cif" >"$dir/rules.txt"
  local fresh=$?
  sed -n 's/^.*: \([0-9]* violations\), .*sq_out.cif: \([0-9]*\); \(.*\)$/  input: \1; sq_out.cif: \2; \3/p' \
    "$dir/rules.txt"
  sed -n '/; new in the second/,$p' "$dir/rules.txt" | tail -n +2
  "$checks/samecircuit" "$tech" "$layout" "$dir/sq_out.cif" $sizes >"$dir/circuit.txt"
  local same=$?
  tail -n +2 "$dir/circuit.txt" | sed 's/^/  /'
  [ $fresh -eq 0 ] && [ $same -eq 0 ] || status=1
}

for case in ${*:-mux21 bitslice datapath8 mux21-resize}; do
  case $case in
    mux21-resize) run "$case" "$corpus/mux21.cif" "$root/bench/resize/mux21_sizes.txt" ;;
    *) run "$case" "$corpus/$case.cif" ;;
  esac
done
exit $status
