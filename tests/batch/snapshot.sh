#!/usr/bin/env bash
# quorin-batch snapshots of the amplifier: PNG at the default and a chosen
# size, bare, and an SVG that parses and holds the layers, the legend and
# the painted critical areas; a yield plot as SVG; bad snapshot lines fail
# with a reason.
set -u
batch=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$source/examples" "$work/examples"
ln -s "$source/lib" "$work/lib"
cat >"$work/s.batch" <<'SCRIPT'
f.DIldTech lib/example.tech
f.DIldLayout examples/amp.cif
snapshot plain.svg
snapshot view.png
snapshot small.png 640x300
snapshot bare.png 200x100 bare
scale 400
layer CMF
f.DFex1LayerS
snapshot faults.svg
f.DIsetForm MinSize 10
f.DIsetForm MaxSize 100
f.DIsetForm Step 10
f.DYanaShort
f.DYyx yield.svg
SCRIPT
(cd "$work" && SYSRC="$source/lib/sysrc" "$batch" s.batch >stdout 2>stderr)
status=$?
fail() { echo "snapshot: $*"; tail -5 "$work/stderr"; exit 1; }
[ "$status" = 0 ] || fail "exit status $status"
size() { od -An -tx1 -j16 -N8 "$work/$1" | tr -d ' \n'; }
[ "$(size view.png)" = 000004b000000384 ] || fail "view.png is not 1200 x 900"
[ "$(size small.png)" = 000002800000012c ] || fail "small.png is not 640 x 300"
[ "$(size bare.png)" = 000000c800000064 ] || fail "bare.png is not 200 x 100"

# Lines that must fail, each with its reason.
while IFS='|' read -r line reason; do
  printf '%s\n' "$line" >"$work/bad.batch"
  (cd "$work" && SYSRC="$source/lib/sysrc" "$batch" bad.batch >/dev/null 2>bad.err)
  [ $? = 1 ] || fail "'$line' did not fail"
  grep -q "line 1: $reason" "$work/bad.err" || fail "'$line': $(cat "$work/bad.err")"
done <<'CASES'
snapshot|snapshot needs a file name
snapshot a.png 0x10|snapshot sizes are 16 to 8192 pixels a side: not 0x10
snapshot a.png 20000x900|snapshot sizes are 16 to 8192 pixels a side
snapshot a.png 100x100|a snapshot with title and legend needs 480x240 pixels at least (or bare)
snapshot a.png 800x600 800x600|snapshot takes a file, then WxH and bare: not 800x600
snapshot a.png large|snapshot takes a file, then WxH and bare: not large
snapshot no/such/folder/view.png|cannot write the snapshot no/such/folder/view.png
snapshot no/such/folder/view.svg|cannot write the snapshot no/such/folder/view.svg
CASES

# A run that only writes files may leave the view undrawn until a line
# looks at it or changes what it shows: the snapshot after a change of a
# setting still shows the capacitor names drawn at the load.
for run in "loaded.png|" "waited.png|f.DExOutput" "summary.png|f.DExOutput
summary"; do
  file=${run%%|*} between=${run#*|}
  printf 'f.DIldTech lib/example.tech\nf.DIldLayout examples/capacitors.cif\n%s\nset PROCESS_INCLUDE_PASSIVE 0\nsnapshot %s bare\n' \
    "$between" "$file" >"$work/wait.batch"
  (cd "$work" && SYSRC="$source/lib/sysrc" "$batch" wait.batch >/dev/null 2>&1) || fail "$file: run failed"
done
cmp -s "$work/loaded.png" "$work/waited.png" || fail "the view drawn later is not the view of the load"
cmp -s "$work/loaded.png" "$work/summary.png" || fail "the view drawn after a summary is not the view of the load"
printf 'f.DIldTech lib/example.tech\nset PROCESS_INCLUDE_PASSIVE 0\nf.DIldLayout examples/capacitors.cif\nsnapshot unnamed.png bare\n' >"$work/wait.batch"
(cd "$work" && SYSRC="$source/lib/sysrc" "$batch" wait.batch >/dev/null 2>&1) || fail "unnamed.png: run failed"
cmp -s "$work/loaded.png" "$work/unnamed.png" && fail "the capacitor names do not show in the view"

command -v python3 >/dev/null || { echo "SKIP: python3 is not installed"; exit 77; }
python3 - "$work" <<'PY' || fail "SVG content"
import sys, xml.etree.ElementTree as ET
ns = '{http://www.w3.org/2000/svg}'
def load(name):
    root = ET.parse(sys.argv[1] + '/' + name).getroot()
    assert root.tag == ns + 'svg', root.tag
    assert (root.get('width'), root.get('height')) == ('1200px', '900px'), root.attrib
    return root
def fills(root):
    # colours of the solid fills drawn
    out = []
    for e in root.iter():
        style = e.get('style') or ''
        for part in style.split(';'):
            if part.startswith('fill:rgb('):
                out.append(part)
    return out
plain, faults = load('plain.svg'), load('faults.svg')
title = plain.find(ns + 'title').text
desc = plain.find(ns + 'desc').text
assert title.startswith('amp.cif'), title
for layer in ('CAA', 'CPG', 'CMF', 'CCA'):
    assert ' ' + layer in desc, desc
assert 'highlighted: nothing' in desc, desc
assert 'Shorts Active Layer CMF' in faults.find(ns + 'desc').text
paths = [e for e in plain.iter() if e.tag in (ns + 'path', ns + 'rect')]
assert len(paths) > 100, len(paths)
# the critical areas are painted in white over the layout
white = 'fill:rgb(100%,100%,100%)'
assert fills(faults).count(white) > fills(plain).count(white), 'no painted area'
# the yield plot as SVG: the plot window's size, the curve in gold
root = ET.parse(sys.argv[1] + '/yield.svg').getroot()
assert (root.get('width'), root.get('height')) == ('600px', '400px'), root.attrib
strokes = [e.get('style') for e in root.iter() if 'stroke:rgb(100%,84.' in (e.get('style') or '')]
assert len(strokes) > 10, len(strokes)
PY
exit 0
