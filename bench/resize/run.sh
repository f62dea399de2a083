#!/usr/bin/env bash
# Times the whole resize (f.new_resize from quorin-batch: passives out,
# rows, both graphs, transistor updates, check, both solves, output) of flat
# arrays of CMOS inverters from bench/gen_cif under the example rules, with
# 1% of the transistors in symmetric pairs.  Prints one line per size: the
# transistors, the pairs, the wall seconds of the whole action, and the
# seconds of each phase between the resizer's stamps; then the CPU figures
# of "time_rpt.txt".
# Also the wall seconds of lp_solve (a child process, outside the CPU
# figures) from the stamps around it.  "sq_out.cif" and the log of each size
# are kept (sq_out_N.cif, resize_N.log) to compare builds.
#   bench/resize/run.sh [transistors...]   (default 100 1000 10000)
# BUILD_DIR: an existing build tree; OUT_DIR: where the runs go.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
# BUILD_DIR: an existing build tree to use as it is configured.
build=${BUILD_DIR:-$root/build-release}
out=${OUT_DIR:-$root/bench/out/resize}
mkdir -p "$out"
out=$(cd "$out" && pwd)
[ -n "${BUILD_DIR:-}" ] ||
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORIN_BUILD_TESTS=OFF \
        -DQUORIN_BUILD_GUI=OFF >/dev/null
make -C "$build" -j2 quorin-batch gen_cif >/dev/null
mkdir -p "$out/bin"
# The resizer stamps its phases with "date": here, in seconds.
printf '#!/bin/sh\nexec /bin/date +%%s.%%N\n' >"$out/bin/date"
chmod +x "$out/bin/date"
cd "$out"
ln -sfn "$root/examples" examples
ln -sfn "$root/lib" lib
for n in ${*:-100 1000 10000}; do
  count=$(( (n + 1) / 2 ))  # two transistors an inverter
  file=inverters_$count.cif
  [ -f "$file" ] || "$build/gen_cif" --kind flat --cell inverter --count "$count" --lambda 100 \
                      -o "$file" 2>/dev/null
  pairs=$(( n / 100 ))
  {
    echo "// $pairs pairs of transistors"
    # Each pair a block of its own: the rows of a pair tie it to an axis.
    for ((k = 1; k <= pairs; k++)); do printf '{\n  m%d = m%d\n}\n' $((4 * k - 3)) $((4 * k)); done
  } >pairs_$n.sym
  cat >resize_$n.batch <<BATCH
f.DIldTech lib/example.tech
f.DIldLayout $file
f.DRload examples/example.bridge
f.DRloadCadenceDesRule2 examples/example_rules.tf
f.DIldSym pairs_$n.sym
f.new_resize
BATCH
  start=$(/bin/date +%s.%N)
  PATH=$out/bin:$PATH SYSRC=$root/lib/sysrc /usr/bin/time -f '%U %S %M' -o cpu_$n.txt \
      "$build/quorin-batch" resize_$n.batch >resize_$n.log 2>resize_$n.err || echo "n=$n: the resize did not finish (resize_$n.err)"
  stop=$(/bin/date +%s.%N)
  awk -v n="$n" -v pairs="$pairs" -v start="$start" -v stop="$stop" '
    /^\^\^\^|^SYM:/ { name = $0; sub(/ (at|starts at|ends at|done at)$/, "", name);
                      getline t; gsub(/ /, "", t); if (last) printf "  %-70s %8.2f s\n", name, t - last; last = t }
    BEGIN { }
    END { printf "n=%d transistors, %d pairs: whole action %.2f s\n", n, pairs, stop - start }
  ' resize_$n.log | tail -1
  # Each figure is the time from the stamp named to the next one (the last
  # to the end of the action: solve Y and the output).
  awk -v stop="$stop" '/^\^\^\^|^SYM:/ { name = $0; getline t; gsub(/ /, "", t);
                         if (last) printf "  after %-62s %8.2f s\n", prev, t - last; last = t; prev = name }
       END { if (last) printf "  after %-62s %8.2f s\n", prev, stop - last }' resize_$n.log
  awk '/^Core problem start and end time/ { core = 1; t0 = ""; next }
       core && /^ *[0-9]+\.[0-9]+ *$/ { if (t0 == "") t0 = $1; else { s += $1 - t0; k++; core = 0 } }
       END { if (k) printf "  lp_solve (%d runs)%53s %8.2f s\n", k, "", s }' resize_$n.log
  awk '{ printf "  CPU of quorin-batch and its children: %.2f s user + %.2f s sys, peak RSS %d MB\n",
               $1, $2, $3 / 1024 }' cpu_$n.txt
  printf '  %s of %s pairs detected symmetric\n' "$(grep -c 'blocks are symmetric' resize_$n.log)" "$pairs"
  [ -f sq_out.cif ] && mv sq_out.cif sq_out_$n.cif
  [ -f time_rpt.txt ] && sed 's/^/  /' time_rpt.txt && mv time_rpt.txt time_rpt_$n.txt
done
