#!/usr/bin/env bash
# Compares the rows and the progress text of two builds byte for byte (the
# wall-clock dates of the progress blocks left out): every example layout
# under the example rules through quorin-batch, random layouts of boxes of
# many layers, copies of the examples, and the benchmark's dense and
# inverter layouts through rows_bench.  For a change that must not change
# the rows.
#   bench/compact/same_rows.sh REF_DIR NEW_DIR
# Each directory holds quorin-batch, rows_bench and gen_cif (copied from a
# Release tree of the build to compare: git worktree of the old commit).
set -eu
ref=$(cd "$1" && pwd)
new=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$root/bench/out/same_rows
rm -rf "$work"
mkdir -p "$work"
export SYSRC=$root/lib/sysrc
failed=0

# same NAME -- compares $work/{ref,new}/NAME.* after dropping the date lines.
same()
{
  for kind in rows out; do
    for side in ref new; do
      grep -Ev '^(Mon|Tue|Wed|Thu|Fri|Sat|Sun) ' "$work/$side/$1.$kind" >"$work/$side/$1.$kind.cut" || true
    done
    if ! cmp -s "$work/ref/$1.$kind.cut" "$work/new/$1.$kind.cut"; then
      echo "DIFFERENT: $1 ($kind)"
      failed=1
    fi
  done
  echo "$1: $(wc -l <"$work/new/$1.rows") rows lines compared"
}

# batchRows NAME CIF -- the rows of a layout under the example rules.
batchRows()
{
  for side in ref new; do
    bin=$ref
    [ "$side" = new ] && bin=$new
    mkdir -p "$work/$side"
    (cd "$root" && printf '%s\n' "f.DIldLayout $2" "f.DRload examples/example.bridge" \
        "f.DRloadCadenceDesRule2 examples/example_rules.tf" "rows $work/$side/$1.rows" |
       "$bin/quorin-batch" >"$work/$side/$1.out" 2>&1) || true
    [ -f "$work/$side/$1.rows" ] || : >"$work/$side/$1.rows"
  done
  same "$1"
}

# benchRows NAME ARGS... -- the rows of a rows_bench run.
benchRows()
{
  name=$1
  shift
  for side in ref new; do
    bin=$ref
    [ "$side" = new ] && bin=$new
    mkdir -p "$work/$side"
    ROWS_DUMP=$work/$side/$name.rows ROWS_OUTPUT=$work/$side/$name.out \
      "$bin/rows_bench" "$@" >/dev/null
  done
  same "$name"
}

# randomCif FILE SEED BOXES -- boxes of random size and place on eleven layers.
randomCif()
{
  awk -v seed="$2" -v n="$3" 'BEGIN {
    srand(seed)
    split("CWP CWN CSN CSP CAA CPG CCA CCP CMF CVA CMS", layers, " ")
    for (i = 0; i < n; i++) {
      printf "L %s;\n", layers[1 + int(rand() * 11)]
      w = 20 * (1 + int(rand() * 12)); h = 20 * (1 + int(rand() * 12))
      x = 20 * int(rand() * 400);     y = 20 * int(rand() * 400)
      printf "B %d %d %d %d;\n", w, h, x + w / 2, y + h / 2
    }
    print "E"
  }' >"$1"
}

for cif in "$root"/examples/*.cif; do
  batchRows "example_$(basename "$cif" .cif)" "$cif"
done
for seed in 1 2 3 4 5 6; do
  randomCif "$work/random_$seed.cif" "$seed" $((seed * 400))
  batchRows "random_$seed" "$work/random_$seed.cif"
done
for cell in nand2 mirror sym_diffpair substrate; do
  "$new/gen_cif" --template "$root/examples/$cell.cif" --count 60 --columns 7 \
    -o "$work/copies_$cell.cif" 2>/dev/null
  batchRows "copies_$cell" "$work/copies_$cell.cif"
done
for n in 1000 30001 200000; do
  benchRows "dense_$n" "$n"
done
for count in 400 4000; do
  "$new/gen_cif" --kind flat --cell inverter --count "$count" -o "$work/inverters_$count.cif" 2>/dev/null
  benchRows "inverters_$count" --cif "$work/inverters_$count.cif"
done
"$new/gen_cif" --kind flat --cell nmos --count 3000 --columns 13 -o "$work/nmos.cif" 2>/dev/null
benchRows nmos --cif "$work/nmos.cif"
if [ "$failed" = 0 ]; then
  echo "the rows and the progress text are the same"
fi
exit "$failed"
