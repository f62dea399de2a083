#!/usr/bin/env python3
"""Symmetric layouts for the core LP benchmark, as flat CIF on stdout.

  gen_symlp.py N   N mirrored pairs of one-finger nMOS (W/L = 8/2), three
                   pairs per row, every pair about x = 6000
Units: 0.01 micrometre; lambda = 1 micrometre.
"""
import sys


def box(w, h, cx, cy):
    return "B %d %d %d %d;" % (w, h, cx, cy)


def layout(n):
    rows = (n + 2) // 3
    active, poly = [], []
    for p in range(n):
        row, k = divmod(p, 3)
        y = row * 2000
        for cx in (650 + k * 2000, 12000 - 650 - k * 2000):  # mirror images about x = 6000
            active.append(box(1300, 800, cx, y + 400))
            poly.append(box(200, 1200, cx + (50 if cx < 6000 else -50), y + 400))
    out = ["(%d mirrored pairs about x = 6000);" % n,
           "L CWP;", box(15000, rows * 2000 + 2000, 6000, rows * 1000),
           "L CSN;", box(12200, rows * 2000, 6000, rows * 1000 - 600), "L CAA;"]
    return out + active + ["L CPG;"] + poly + ["E"]


def main():
    if len(sys.argv) != 2 or not sys.argv[1].isdigit() or int(sys.argv[1]) < 1:
        sys.exit("usage: gen_symlp.py PAIRS")
    print("\n".join(layout(int(sys.argv[1]))))


if __name__ == "__main__":
    main()
