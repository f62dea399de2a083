#!/usr/bin/env bash
# Every command of docs/guide.md runs as written: each `sh` block from the
# top of a checkout (here a scratch copy whose build/ holds the programs),
# each `batch` block as a script of quorin-batch in a working folder with
# the examples.  The guide's pictures are made again into the copy.
set -u
build=$1 source=$2
top=$(mktemp -d)
trap 'rm -rf "$top"' EXIT
for d in examples lib scripts; do ln -s "$source/$d" "$top/$d"; done
cp -r "$source/docs" "$top/docs"
mkdir "$top/build"
for p in quorin-batch subpyxis quorin rulecheck samecircuit; do
  [ -x "$build/$p" ] && ln -s "$build/$p" "$top/build/$p"
done
guide=$source/docs/guide.md

# The n-th block of a kind, or nothing past the last.
block() {
  awk -v kind="$1" -v want="$2" '
    /^```/ { if (inside) { inside = 0; next } if ($0 == "```" kind) { n++; inside = (n == want); next } }
    inside { print }' "$guide"
}

failures=0 ran=0
n=1
while [ -n "$(block sh $n)" ]; do
  block sh $n >"$top/block.sh"
  if ! (cd "$top" && bash -e block.sh >"$top/out" 2>&1); then
    echo "FAIL: sh block $n:"; cat "$top/block.sh"; tail -5 "$top/out"
    failures=$((failures + 1))
  fi
  ran=$((ran + 1)) n=$((n + 1))
done
n=1
while [ -n "$(block batch $n)" ]; do
  work=$top/batch$n
  mkdir "$work"
  ln -s "$source/examples" "$work/examples"
  ln -s "$source/lib" "$work/lib"
  ln -s examples/subckt_library "$work/subckt_library"
  block batch $n >"$work/s.batch"
  if ! (cd "$work" && SYSRC="$source/lib/sysrc" "$build/quorin-batch" s.batch >out 2>&1); then
    echo "FAIL: batch block $n:"; tail -5 "$work/out"
    failures=$((failures + 1))
  fi
  ran=$((ran + 1)) n=$((n + 1))
done
[ "$ran" -ge 8 ] || { echo "FAIL: only $ran blocks found in the guide"; exit 1; }
# Every picture the guide shows exists.
for picture in $(grep -o 'pictures/[a-z_]*\.png' "$guide" | sort -u); do
  [ -s "$top/docs/$picture" ] || { echo "FAIL: $picture is missing"; failures=$((failures + 1)); }
done
echo "guide: $ran blocks run, $failures failed"
[ "$failures" = 0 ]
