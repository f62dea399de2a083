#!/usr/bin/env bash
# quorin-batch draws a box difference and writes the main view as a PNG of
# 550 x 450 pixels.
set -u
batch=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/s.batch" <<'SCRIPT'
f.DVsuper 100,100 300,300 200,200 400,400
snapshot view.png
snapshot no/such/folder/view.png
SCRIPT
(cd "$work" && SYSRC="$source/lib/sysrc" "$batch" s.batch >stdout 2>stderr)
status=$?
fail() { echo "snapshot: $*"; cat "$work/stderr"; exit 1; }
[ "$status" = 1 ] || fail "exit status $status, expected 1 (unwritable snapshot)"
grep -q "line 3: cannot write the snapshot no/such/folder/view.png" "$work/stderr" ||
  fail "no error for the unwritable snapshot"
[ -s "$work/view.png" ] || fail "view.png was not written"
header=$(od -An -tx1 -N24 "$work/view.png" | tr -d ' \n')
[ "${header:0:16}" = 89504e470d0a1a0a ] || fail "view.png is no PNG ($header)"
[ "${header:32:16}" = 00000226000001c2 ] || fail "view.png is not 550 x 450 (${header:32:16})"
exit 0
