#!/usr/bin/env bash
# Builds the row benchmark in a Release tree and prints one line per size:
# n boxes, tiles, seconds (wall and CPU) of init_staff, the variable scan and
# both sweeps, rows, rows per second and microseconds per box (of CPU time:
# the machine may be shared), peak RSS (planes included) and the resident
# memory before the scan; then how the time per box grows from the smallest
# size to the largest.  Two layouts:
#   dense      the benchmark's own grid of three boxes per cell
#   inverters  flat arrays of CMOS inverters from bench/gen_cif (about 25
#              boxes each), read through the CIF reader into planes and
#              extracted, under the example process's rules
#   bench/compact/run.sh [sizes...]   (boxes; default 10000 100000 1000000)
# Set LAYOUTS to "dense" or "inverters" for one of them.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build-release}
out=$root/bench/out/compact
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUORIN_BUILD_TESTS=OFF \
      -DQUORIN_BUILD_GUI=OFF >/dev/null
make -C "$build" -j2 rows_bench gen_cif >/dev/null
export SYSRC=$root/lib/sysrc
mkdir -p "$out"

# growth FIRST LAST -- the closing line of one layout.
growth()
{
  awk -v a="$1" -v b="$2" \
    'BEGIN { printf "time per box grows %.2fx from the smallest size to the largest\n", b / a }'
}

# run ARGS... -- one benchmark line; keeps its microseconds per box in $per.
run()
{
  line=$("$build/rows_bench" "$@")
  echo "$line"
  per=$(echo "$line" | sed -E 's/.*us\/box ([0-9.]+).*/\1/')
}

sizes=${*:-10000 100000 1000000}
for layout in ${LAYOUTS:-dense inverters}; do
  echo "$layout:"
  first="" last=""
  for n in $sizes; do
    if [ "$layout" = dense ]; then
      run "$n"
    else
      count=$(( (n + 24) / 25 ))  # inverters of about 25 boxes
      file=$out/inverters_$count.cif
      [ -f "$file" ] || "$build/gen_cif" --kind flat --cell inverter --count "$count" \
                          -o "$file" 2>/dev/null
      run --cif "$file"
    fi
    [ -z "$first" ] && first=$per
    last=$per
  done
  growth "$first" "$last"
done
