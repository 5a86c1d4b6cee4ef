#!/usr/bin/env python3
"""Writes a realistic Geodimeter raw file of about SIZE megabytes (deterministic):
stations with side shots, and coordinate points; plus the conversion file
that groups it (OUT.cnv).

usage: make_geodimeter.py SIZE_MB OUT
"""
import random
import sys


def main():
    size = int(float(sys.argv[1]) * 1_000_000)
    rng = random.Random(20261206)
    with open(sys.argv[2] + ".cnv", "w", newline="\n") as c:
        c.write("2 2 4 3\n2 2 3\n4 5 4 6 7 8 9\n4 5 4 7 8 9\n6 5 4 38 37 39\n")
    written = n = 0
    with open(sys.argv[2], "w", encoding="latin-1", newline="\n") as out:
        while written < size:
            n += 1
            if n % 200 == 1:
                words = ["2=ST%d" % n, "3=1.%03d" % rng.randint(400, 700), "4=FS0", "6=1.500"]
            elif n % 5 == 0:
                words = ["5=%d" % n, "4=KANT", "38=%.3f" % rng.uniform(5e5, 6e5),
                         "37=%.3f" % rng.uniform(6e6, 6.2e6), "39=%.3f" % rng.uniform(5, 40)]
            else:
                words = ["5=%d" % n]
                if n % 7 == 0:
                    words += ["4=FS%d" % (n % 3), "6=1.%03d" % rng.randint(300, 900)]
                words += ["7=%.4f" % rng.uniform(0, 400), "8=%.4f" % rng.uniform(90, 110),
                          "9=%.3f" % rng.uniform(2, 300)]
            text = "".join(w + "\n" for w in words)
            out.write(text)
            written += len(text)


if __name__ == "__main__":
    main()
