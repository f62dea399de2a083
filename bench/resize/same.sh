#!/usr/bin/env bash
# Compares two runs of bench/resize/run.sh (OUT_DIR of each): "sq_out.cif",
# the squeeze's reports and the printed log of each size must be the same,
# but the clock's lines (stamps, dates, CPU times).
#   bench/resize/same.sh OLD_OUT NEW_OUT [transistors...]   (default 100 1000 10000)
set -u
old=$1 new=$2
shift 2
undated() { sed -E 's/^ *[0-9]+\.[0-9]+ *$/(stamp)/; s/[A-Z][a-z]{2} [A-Z][a-z]{2} +[0-9]+ [0-9:]{8} [A-Z]+ [0-9]{4}/(date)/' "$1"; }
differ=0
for n in ${*:-100 1000 10000}; do
  [ -f "$old/sq_out_$n.cif" ] && [ -f "$new/sq_out_$n.cif" ] || { echo "n=$n: missing run"; continue; }
  cmp -s "$old/sq_out_$n.cif" "$new/sq_out_$n.cif" || { echo "n=$n: sq_out.cif differs"; differ=1; }
  cmp -s <(undated "$old/resize_$n.log") <(undated "$new/resize_$n.log") ||
    { echo "n=$n: the log differs"; differ=1; }
  clockless() { grep -v "^CPU Time\|^Parse called\|^Message: CPU time" "$1"; }
  cmp -s <(clockless "$old/resize_$n.err") <(clockless "$new/resize_$n.err") ||
    { echo "n=$n: standard error differs"; differ=1; }
  echo "n=$n compared"
done
exit $differ
