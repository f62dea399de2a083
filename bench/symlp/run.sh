#!/usr/bin/env bash
# Times the symmetric core LP on layouts of N mirrored transistor pairs
# (gen_symlp.py) under the example process's rules: the two halves of the
# layout checked as blocks (f.BoundBox), then the squeeze line with symmetry
# on.  One line per size:
# pairs, pairs detected, core lines, core arcs, symmetry rows, lp_solve's
# CPU seconds (parse + solve, summed over the directions), wall seconds of
# the whole squeeze line, its exit status (non-zero: the resize failed, for
# instance lp_solve ran past LpTimeLimit) and peak RSS of quorin-batch.
#   bench/symlp/run.sh [pairs...]   (default 1 2 5 10 20 50 100 200)
#   LP_TIME_LIMIT=seconds           (default 300)
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build}
out=$root/bench/out/symlp
cmake --build "$build" --target quorin-batch -j2 >/dev/null || exit 1
mkdir -p "$out"
cd "$out"
sed '/^LpTimeLimit/d' "$root/lib/sysrc" > sysrc
# The bundled system source file names its files relative to its folder.
sed -i -E "s#^(TechFile|MenuFile|ColorFile|IconPath)([[:space:]]+)([^/][^[:space:]]*)#\\1\\2$root/lib/\\3#" sysrc
echo "LpTimeLimit ${LP_TIME_LIMIT:-300}" >> sysrc
export SYSRC=$out/sysrc
printf '%6s %8s %6s %7s %6s %10s %9s %4s %9s\n' pairs detected lines arcs rows lp_cpu_s wall_s rc rss_kb
for n in ${*:-1 2 5 10 20 50 100 200}; do
  "$root/bench/symlp/gen_symlp.py" "$n" > "pairs_$n.cif"
  top=$(( (n + 2) / 3 * 8000 + 4000 ))  # layout units: 4 per CIF unit
  cat > "pairs_$n.batch" <<EOB
f.DIldTech $root/lib/example.tech
f.DIldLayout pairs_$n.cif
f.DRload $root/examples/example.bridge
f.DRloadCadenceDesRule2 $root/examples/example_rules.tf
f.BoundBox -4000,-4000 24000,$top 24000,-4000 52000,$top
squeeze
EOB
  start=$(date +%s.%N)
  /usr/bin/time -q -f '%M' -o rss.txt "$build/quorin-batch" "pairs_$n.batch" > "out_$n.txt" 2> "err_$n.txt"
  rc=$?
  end=$(date +%s.%N)
  detected=$(grep -c '^Detected symmetry' "out_$n.txt")
  lines=$(grep -o 'SQcoreline_size = [0-9]*' "out_$n.txt" | awk '{s += $3} END {print s + 0}')
  arcs=$(grep -o 'SQcorearc_use = [0-9]*' "out_$n.txt" | awk '{s += $3} END {print s + 0}')
  rows=$(grep -o 'SQcoresymarc = [0-9]*' "out_$n.txt" | awk '{s += $3} END {print s + 0}')
  cpu=$(grep -o 'CPU Time for [a-zA-Z ]*: [0-9.]*' "err_$n.txt" | awk '{s += $NF} END {printf "%.3f", s}')
  printf '%6d %8s %6d %7d %6d %10s %9.2f %4d %9s\n' "$n" "$detected" "$lines" "$arcs" "$rows" \
    "$cpu" "$(awk "BEGIN {print $end - $start}")" "$rc" "$(cat rss.txt)"
done
