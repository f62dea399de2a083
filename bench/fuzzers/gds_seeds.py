#!/usr/bin/env python3
"""Writes the seed inputs of the gds_reader fuzz target into the folder given
(bench/fuzzers/seeds/gds_reader): small GDSII files on the layers of
lib/example.gdsmap with every element kind, each path type, references with
reflection, rotation and magnification, an array and a forward reference."""
import math
import os
import struct
import sys


def real8(v):
    if v == 0:
        return bytes(8)
    sign = 0x80 if v < 0 else 0
    v = abs(v)
    e = 0
    while v >= 1:
        v /= 16
        e += 1
    while v < 1 / 16:
        v *= 16
        e -= 1
    m = int(round(v * (1 << 56)))
    return bytes([sign | (e + 64)]) + m.to_bytes(7, "big")


def rec(t, dt, data=b""):
    return struct.pack(">HBB", 4 + len(data), t, dt) + data


def i2(t, *v):
    return rec(t, 2, struct.pack(">%dh" % len(v), *v))


def i4(t, *v):
    return rec(t, 3, struct.pack(">%di" % len(v), *v))


def s(t, text):
    b = text.encode()
    if len(b) % 2:
        b += b"\0"
    return rec(t, 6, b)


def lib(structs, unit=1e-9):
    out = i2(0x00, 600) + i2(0x01, *([2024, 1, 1, 0, 0, 0] * 2)) + s(0x02, "SEED")
    out += rec(0x03, 5, real8(unit / 1e-6) + real8(unit))
    for body in structs:
        out += body
    return out + rec(0x04, 0)


def struct_(name, *elements):
    return i2(0x05, *([2024, 1, 1, 0, 0, 0] * 2)) + s(0x06, name) + b"".join(elements) + rec(0x07, 0)


def boundary(layer, *pts, dt=0):
    return rec(0x08, 0) + i2(0x0D, layer) + i2(0x0E, dt) + i4(0x10, *pts) + rec(0x11, 0)


def box(layer, x1, y1, x2, y2):
    return boundary(layer, x1, y1, x2, y1, x2, y2, x1, y2, x1, y1)


def path(layer, ptype, width, *pts, ext=None):
    body = rec(0x09, 0) + i2(0x0D, layer) + i2(0x0E, 0) + i2(0x21, ptype) + i4(0x0F, width)
    if ext:
        body += i4(0x30, ext[0]) + i4(0x31, ext[1])
    return body + i4(0x10, *pts) + rec(0x11, 0)


def text(layer, x, y, string):
    return (rec(0x0C, 0) + i2(0x0D, layer) + i2(0x16, 0) + i2(0x17, 5) + i4(0x10, x, y)
            + s(0x19, string) + rec(0x11, 0))


def sref(name, x, y, reflect=False, angle=0, mag=None):
    body = rec(0x0A, 0) + s(0x12, name)
    if reflect or angle or mag:
        body += rec(0x1A, 1, struct.pack(">H", 0x8000 if reflect else 0))
        if mag:
            body += rec(0x1B, 5, real8(mag))
        if angle:
            body += rec(0x1C, 5, real8(angle))
    return body + i4(0x10, x, y) + rec(0x11, 0)


def aref(name, cols, rows, x, y, dx, dy, reflect=False, angle=0):
    body = rec(0x0B, 0) + s(0x12, name)
    if reflect or angle:
        body += rec(0x1A, 1, struct.pack(">H", 0x8000 if reflect else 0)) + rec(0x1C, 5, real8(angle))
    body += i2(0x13, cols, rows)
    return body + i4(0x10, x, y, x + cols * dx, y, x, y + rows * dy) + rec(0x11, 0)


def other():
    node = rec(0x15, 0) + i2(0x0D, 49) + i2(0x2A, 0) + i4(0x10, 0, 0) + rec(0x11, 0)
    bx = rec(0x2D, 0) + i2(0x0D, 49) + i2(0x2E, 0) + i4(0x10, 0, 0, 10, 0, 10, 10, 0, 10, 0, 0) + rec(0x11, 0)
    prop = rec(0x08, 0) + rec(0x26, 1, b"\0\0") + i2(0x0D, 43) + i2(0x0E, 0) + i4(0x10, 0, 0, 500, 0, 500, 500, 0, 500, 0, 0) + i2(0x2B, 1) + s(0x2C, "prop") + rec(0x11, 0)
    return node + bx + prop


def main():
    seeds = {
        "flat.gds": lib([struct_("TOP", box(43, 0, 0, 2000, 1000), box(46, 800, -200, 1200, 1200),
                                 text(49, 100, 100, "vdd"))]),
        "hierarchy.gds": lib([
            struct_("TOP", sref("CELL", 0, 0), sref("CELL", 5000, 0, reflect=True, angle=90),
                    aref("CELL", 3, 2, 0, 10000, 3000, 4000, angle=180), sref("BIG", 0, 30000, mag=2)),
            struct_("CELL", box(43, 0, 0, 2000, 1000), box(49, 0, 0, 500, 500), text(49, 250, 250, "a"),
                    boundary(46, 0, 0, 1000, 0, 1000, 500, 500, 500, 500, 1000, 0, 1000, 0, 0)),
            struct_("BIG", sref("CELL", 0, 0), box(51, 0, 0, 1000, 1000))]),
        "paths.gds": lib([struct_("P", path(49, 0, 200, 0, 0, 1000, 0, 1000, 1000),
                                  path(49, 1, 200, 0, 2000, 1000, 2000),
                                  path(49, 2, 200, 0, 3000, 1000, 3500, 2000, 3000),
                                  path(49, 4, 200, 0, 4000, 1000, 4000, ext=(50, -20)), other())]),
        "units.gds": lib([struct_("U", box(43, 0, 0, 20, 10), sref("V", 3, 3)),
                          struct_("V", box(49, 0, 0, 4, 4))], unit=0.075e-6),
    }
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
