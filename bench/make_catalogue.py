#!/usr/bin/env python3
"""Writes a realistic KVT catalogue of about SIZE megabytes (deterministic).

usage: make_catalogue.py SIZE_MB OUT
"""
import random
import sys


def main():
    size = int(float(sys.argv[1]) * 1_000_000)
    rng = random.Random(20261206)
    codes = ["FS1", "SKEL", "HEGN1", "HEGN2", "HEGN9", "TRAE", "KANT1", "BYG1", "BRND", "VEJ"]
    written = 0
    with open(sys.argv[2], "w", encoding="latin-1", newline="\n") as out:
        head = (" 8  1==> Generated catalogue             , Katalog oprettet: 20261206,1200    \n"
                " 8  2==> Opgave: BENCH               , Jnr.: 1       , Init.: KVT     \n")
        out.write(head)
        written += len(head)
        n = 0
        x, y = 6123000.0, 512000.0
        while written < size:
            n += 1
            if n % 500 == 0:
                line = " 2 %-12d%-10s  %10.2f\n" % (n, "ST", 1.5)
            else:
                x += rng.uniform(-3, 3)
                y += rng.uniform(-3, 3)
                h = rng.uniform(5, 40)
                line = " 6 %-12d %-10s %12.3f  %12.3f  %12.3f BENCH\n" % (n, rng.choice(codes), x, y, h)
            out.write(line)
            written += len(line)


if __name__ == "__main__":
    main()
