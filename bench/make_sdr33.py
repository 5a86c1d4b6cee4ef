#!/usr/bin/env python3
"""Writes a realistic Sokkia SDR33 job of about SIZE megabytes (deterministic):
stations, backsights, side shots and coordinate records.

usage: make_sdr33.py SIZE_MB OUT
"""
import random
import sys


def main():
    size = int(float(sys.argv[1]) * 1_000_000)
    rng = random.Random(20261206)
    written = n = 0
    with open(sys.argv[2], "w", encoding="latin-1", newline="\n") as out:
        out.write("00NMSDR33 V04-04.02     06-Dec-26 09:12 113111\n")
        while written < size:
            n += 1
            if n % 100 == 1:
                text = "02TP%-16s%16.3f%16.3f%16.3f%16.3f%-16s\n" % (
                    "ST%d" % n, rng.uniform(6e6, 6.2e6), rng.uniform(5e5, 6e5),
                    rng.uniform(5, 40), rng.uniform(1.4, 1.7), "ST")
            elif n % 4 == 0:
                text = "08KI%-16s%16.3f%16.3f%16.3f%-16s\n" % (
                    "P%d" % n, rng.uniform(6e6, 6.2e6), rng.uniform(5e5, 6e5),
                    rng.uniform(5, 40), "KANT")
            else:
                text = "09F1%-16s%-16s%16.3f%16.4f%16.4f%-16s\n" % (
                    "ST", "P%d" % n, rng.uniform(2, 300), rng.uniform(90, 110),
                    rng.uniform(0, 400), "SKEL")
            out.write(text)
            written += len(text)


if __name__ == "__main__":
    main()
