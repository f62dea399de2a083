#!/usr/bin/env bash
# Compares the squeeze of two builds: every example layout and a few
# generated ones, in every position mode, with and without the passive
# devices; "sq_out.cif", "sq_out.comment" and the printed messages must be
# the same byte for byte (but the dates of the printing).  Prints one line
# per difference and a count.
#   bench/squeeze/identity.sh OLD_BUILD NEW_BUILD   (trees with squeeze_run and gen_cif)
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
old=$(cd "$1" && pwd) new=$(cd "$2" && pwd)
out=$root/bench/out/squeeze/identity
rm -rf "$out"
mkdir -p "$out/gen"
export SYSRC=$root/lib/sysrc QUORIN_SOURCE=$root
layouts=("$root"/examples/*.cif)
for layout in "flat inverter 40" "flat nmos 60" "flat pmos 30" "hier inverter 80" "flat inverter 400"; do
  set -- $layout
  file=$out/gen/$1_$2_$3.cif
  "$new/gen_cif" --kind "$1" --cell "$2" --count "$3" -o "$file" 2>/dev/null && layouts+=("$file")
done
compared=0 differ=0
for file in "${layouts[@]}"; do
  name=$(basename "$file" .cif)
  for mode in 1 2 3 4; do
    for extra in "" passives; do
      for side in old new; do
        dir=$out/$name.$mode$extra.$side
        mkdir -p "$dir"
        build=$old
        [ $side = new ] && build=$new
        (cd "$dir" && "$build/squeeze_run" "$file" $mode $extra >stdout 2>stderr)
      done
      a=$out/$name.$mode$extra.old b=$out/$name.$mode$extra.new
      compared=$((compared + 1))
      for side in "$a" "$b"; do  # the clock's lines may differ
        sed -E 's/[A-Z][a-z]{2} [A-Z][a-z]{2} +[0-9]+ [0-9:]{8} [A-Z]+ [0-9]{4}/(date)/' \
            "$side/stdout" >"$side/stdout.undated"
      done
      for f in sq_out.cif sq_out.comment stdout.undated stderr; do
        [ -f "$a/$f" ] || [ -f "$b/$f" ] || continue
        if ! cmp -s "$a/$f" "$b/$f"; then
          echo "differ: $name mode $mode $extra: $f"
          differ=$((differ + 1))
        fi
      done
      [ -f "$a/sq_out.cif" ] || echo "note: $name mode $mode $extra: no sq_out.cif ($(tail -1 "$a/stdout"))"
    done
  done
done
echo "runs compared: $compared, differences: $differ"
