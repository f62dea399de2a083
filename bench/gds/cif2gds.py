#!/usr/bin/env python3
"""Writes a CIF layout of the line-oriented kind layout editors write (DS a b,
9 name, L, B, 94 labels, C with T, MX, MY, R) as a GDSII hierarchy with the
same structures, references (reflection and quarter turns as STRANS and
ANGLE) and labels, on the layers of lib/example.gdsmap, in units of 2.5 nm.
For checking that a GDSII load gives what the CIF load gives:
    cif2gds.py in.cif out.gds"""
import math
import os
import re
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzzers"))
from gds_seeds import i2, i4, real8, rec, s  # noqa: E402

MAP = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "lib", "example.gdsmap")


def layer_numbers():
    numbers = {}
    for line in open(MAP):
        w = line.split("#")[0].split()
        if len(w) == 3 and w[2] not in numbers:
            numbers[w[2]] = int(w[0])
    return numbers


def multiply(a, b):
    return [[a[0][0] * b[0][0] + a[0][1] * b[1][0], a[0][0] * b[0][1] + a[0][1] * b[1][1]],
            [a[1][0] * b[0][0] + a[1][1] * b[1][0], a[1][0] * b[0][1] + a[1][1] * b[1][1]]]


def reference(name, ops, unit):
    """An SREF for the CIF call steps `ops` (applied in order)."""
    m, t, i = [[1, 0], [0, 1]], [0, 0], 0
    while i < len(ops):
        if ops[i] == "T":
            t = [t[0] + int(ops[i + 1]), t[1] + int(ops[i + 2])]
            i += 3
            continue
        if ops[i] in ("MX", "MY"):
            step = [[-1, 0], [0, 1]] if ops[i] == "MX" else [[1, 0], [0, -1]]
            i += 1
        else:
            a, b = int(ops[i + 1]), int(ops[i + 2])
            n = math.hypot(a, b)
            step = [[round(a / n), -round(b / n)], [round(b / n), round(a / n)]]
            i += 3
        m = multiply(step, m)
        t = [step[0][0] * t[0] + step[0][1] * t[1], step[1][0] * t[0] + step[1][1] * t[1]]
    reflect = m[0][0] * m[1][1] - m[0][1] * m[1][0] < 0
    r = multiply(m, [[1, 0], [0, -1]]) if reflect else m
    angle = math.degrees(math.atan2(r[1][0], r[0][0])) % 360
    body = rec(0x0A, 0) + s(0x12, name)
    if reflect or angle:
        body += rec(0x1A, 1, struct.pack(">H", 0x8000 if reflect else 0)) + rec(0x1C, 5, real8(angle))
    return body + i4(0x10, unit(t[0]), unit(t[1])) + rec(0x11, 0)


def main():
    layers = layer_numbers()
    text = re.sub(r"\([^)]*\)", "", open(sys.argv[1]).read())
    structs, order, cur, scale, layer = {}, [], None, (1, 1), None
    for c in (c.strip() for c in text.split(";")):
        w = c.split()
        if not w:
            continue
        # 2.5 nm units: a CIF unit of a definition with scale a/b is 4 a / b of them
        unit = (lambda v, sc=scale if cur is not None else (1, 1): v * 4 * sc[0] // sc[1])
        if w[0] == "DS":
            cur = int(w[1])
            scale = (int(w[2]), int(w[3])) if len(w) > 3 else (1, 1)
            structs[cur] = []
            order.append(cur)
        elif w[0] == "DF":
            cur = None
        elif w[0] == "L":
            layer = layers[w[1]]
        elif w[0] == "B":
            wd, ht, cx, cy = map(int, w[1:5])
            half = (lambda v: v * 2 * scale[0] // scale[1])  # half CIF units
            x1, y1, x2, y2 = half(2 * cx - wd), half(2 * cy - ht), half(2 * cx + wd), half(2 * cy + ht)
            structs[cur].append(rec(0x08, 0) + i2(0x0D, layer) + i2(0x0E, 0) +
                                i4(0x10, x1, y1, x2, y1, x2, y2, x1, y2, x1, y1) + rec(0x11, 0))
        elif w[0] == "94" and len(w) >= 5:
            structs[cur].append(rec(0x0C, 0) + i2(0x0D, layers[w[4]]) + i2(0x16, 0) +
                                i4(0x10, unit(int(w[2])), unit(int(w[3]))) + s(0x19, w[1]) + rec(0x11, 0))
        elif w[0] == "C" and cur is not None:
            structs[cur].append(reference("S%s" % w[1], w[2:], unit))
        elif w[0] in ("E", "End"):
            break
    out = (i2(0x00, 600) + i2(0x01, *([2024, 1, 1, 0, 0, 0] * 2)) + s(0x02, "CIF") +
           rec(0x03, 5, real8(0.0025) + real8(2.5e-9)))
    for n in order:
        out += (i2(0x05, *([2024, 1, 1, 0, 0, 0] * 2)) + s(0x06, "S%d" % n) + b"".join(structs[n]) +
                rec(0x07, 0))
    open(sys.argv[2], "wb").write(out + rec(0x04, 0))


if __name__ == "__main__":
    main()
