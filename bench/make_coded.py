#!/usr/bin/env python3
"""Writes a coded catalogue of about SIZE megabytes (deterministic) for the DSFL
export: single points, polylines and closed areas over a 500-entry code table
(OUT.tab), plus a few text records.

usage: make_coded.py SIZE_MB OUT
"""
import random
import sys


def table_line(code, k, u, acc, remark):
    l = [" "] * 85
    def put(c, t):
        l[c - 1:c - 1 + len(t)] = t
    put(1, code); put(5, k); put(8, u); put(17, "%3d" % acc); put(21, " 1"); put(24, "  1")
    put(28, "0"); put(30, " 1"); put(33, "  0"); put(37, "-"); put(44, "   1.00"); put(52, "   1.00")
    put(60, remark.ljust(19)); put(80, "TOP")
    return "".join(l).rstrip() + "\n"


def main():
    size = int(float(sys.argv[1]) * 1_000_000)
    rng = random.Random(20261206)
    codes = ["%c%02d" % (chr(65 + i // 100), i % 100) for i in range(500)]
    with open(sys.argv[2] + ".tab", "w", newline="\n") as t:
        t.write("999 %K %U       ACC LV CO LC WT FT  AC     TH      TW      BESKRIVELSE         TM\n")
        for i, c in enumerate(codes):
            k = "D " if i == 499 else "%02d" % (10 + i % 80)
            t.write(table_line(c, k, "%07d" % (i + 1), i % 3, "Kode %d" % i))
    written = n = 0
    with open(sys.argv[2], "w", encoding="latin-1", newline="\n") as out:
        while written < size:
            code = codes[rng.randrange(499)]
            kind = rng.random()
            x, y = rng.uniform(6.1e6, 6.2e6), rng.uniform(5e5, 6e5)
            if kind < 0.4:
                pts = [(code + "0", x, y)]
            else:
                m = rng.randint(3, 12)
                end = "8" if kind < 0.6 else "9"
                pts = [(code + ("1" if j < m - 1 else end), x + j * 3.1, y + (j % 2) * 2.7) for j in range(m)]
            text = ""
            for c, px, py in pts:
                n += 1
                text += " 6 %d %s %.3f %.3f %.3f\n" % (n, c, px, py, rng.uniform(5, 40))
            if n % 97 == 0:
                text += "10 %s %.3f %.3f 90 250 7 Tekst %d\n" % (codes[499], x, y, n)
            out.write(text)
            written += len(text)


if __name__ == "__main__":
    main()
