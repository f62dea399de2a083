#!/usr/bin/env bash
# quorin-batch writes the four plots of a sweep as PNG images of the plot
# window (600 x 400 pixels), each with its curve drawn in its colour.
set -u
batch=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$source/examples" "$work/examples"
ln -s "$source/lib" "$work/lib"
(cd "$work" && SYSRC="$source/lib/sysrc" "$batch" "$source/tests/yield/sweep.batch" >stdout 2>stderr)
status=$?
fail() { echo "plots: $*"; tail -5 "$work/stderr"; exit 1; }
[ "$status" = 0 ] || fail "exit status $status"
command -v python3 >/dev/null || { echo "SKIP: python3 is not installed"; exit 77; }
# file, RGB of the curve (colour entries 6, 3, 2 and 10 of lib/colors)
for plot in sensitivity.png:ff00ff distribution.png:ff0000 pof.png:ffff00 my_yield.png:ffd700; do
  file=${plot%%:*} colour=${plot#*:}
  [ -s "$work/$file" ] || fail "$file was not written"
  python3 - "$work/$file" "$colour" <<'PY' || fail "$file"
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
if data[:8] != b'\x89PNG\r\n\x1a\n':
    sys.exit('no PNG')
pos, idat, width = 8, b'', 0
while pos < len(data):
    length, kind = struct.unpack('>I4s', data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    if kind == b'IHDR':
        width, height, depth, ctype = struct.unpack('>IIBB', body[:10])
        if (width, height) != (600, 400):
            sys.exit('size %dx%d, expected 600x400' % (width, height))
        bpp = {2: 3, 6: 4}[ctype]
    elif kind == b'IDAT':
        idat += body
    pos += 12 + length
raw = zlib.decompress(idat)
stride = width * bpp
prev = bytearray(stride)
want = bytes.fromhex(sys.argv[2])
count, colours = 0, set()
for row in range(height):
    f = raw[row * (stride + 1)]
    line = bytearray(raw[row * (stride + 1) + 1:(row + 1) * (stride + 1)])
    for i in range(stride):
        a = line[i - bpp] if i >= bpp else 0
        b, c = prev[i], prev[i - bpp] if i >= bpp else 0
        if f == 1: line[i] = (line[i] + a) & 255
        elif f == 2: line[i] = (line[i] + b) & 255
        elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
        elif f == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    for x in range(width):
        px = bytes(line[x * bpp:x * bpp + 3])
        colours.add(px)
        count += px == want
    prev = line
if len(colours) < 3 or count < 100:
    sys.exit('%d colours, %d pixels of the curve colour' % (len(colours), count))
PY
done
exit 0
