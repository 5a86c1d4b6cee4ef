#!/usr/bin/env python3
"""Writes a realistic Zeiss REC 500 file of about SIZE megabytes (deterministic):
stations with their observations, and coordinate lines.

usage: make_rec500.py SIZE_MB OUT
"""
import random
import sys


def line(n, info, l1, v1, l2, v2, l3, v3):
    # Label 2 stands in 52-53; value 2 fills 54-66.
    return "%7d %-27s %-2s%12s %-2s%13s %-2s%9s\n" % (n, info[:27], l1, v1, l2, v2, l3, v3)


def main():
    size = int(float(sys.argv[1]) * 1_000_000)
    rng = random.Random(20261206)
    written = n = 0
    with open(sys.argv[2], "w", encoding="latin-1", newline="\n") as out:
        while written < size:
            n += 1
            if n % 200 == 1:
                text = line(n, "%d ST IH=1.%03d" % (n, rng.randint(400, 700)), "", "", "", "", "", "")
            elif n % 3 == 0:
                text = line(n, "%d KANT1" % n, "Y", "%.3f" % rng.uniform(6e6, 6.2e6), "X",
                            "%.3f" % rng.uniform(5e5, 6e5), "Z", "%.3f" % rng.uniform(5, 40))
            else:
                text = line(n, "%d FS1" % n, "D", "%.3f" % rng.uniform(2, 300), "Hz",
                            "%.4f" % rng.uniform(0, 400), "V", "%.4f" % rng.uniform(90, 110))
            out.write(text)
            written += len(text)


if __name__ == "__main__":
    main()
