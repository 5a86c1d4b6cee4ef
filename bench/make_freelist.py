#!/usr/bin/env python3
"""Writes a point list of about SIZE megabytes (deterministic) with a "!" layout
line, as surveyors export them from spreadsheets: number, coordinates, height, code.

usage: make_freelist.py SIZE_MB OUT
"""
import random
import sys


def main():
    size = int(float(sys.argv[1]) * 1_000_000)
    rng = random.Random(20261206)
    written = n = 0
    with open(sys.argv[2], "w", encoding="latin-1", newline="\n") as out:
        out.write("! PKT K1 K2 K3 KOD\n")
        while written < size:
            n += 1
            text = "%d,%.3f,%.3f,%.3f,%s\n" % (n, rng.uniform(6.1e6, 6.2e6), rng.uniform(5e5, 6e5),
                                             rng.uniform(5, 40), rng.choice(["SKEL", "HJ", "KANT1", "TRAE"]))
            out.write(text)
            written += len(text)


if __name__ == "__main__":
    main()
