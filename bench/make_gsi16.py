#!/usr/bin/env python3
"""Writes a GSI-16 job of about SIZE megabytes (deterministic): setups,
observations with prism heights and coordinate lines.

usage: make_gsi16.py SIZE_MB OUT
"""
import random
import sys


def word(idx, info, value):
    sign = "-" if isinstance(value, int) and value < 0 else "+"
    data = str(abs(value)) if isinstance(value, int) else value
    return "%s%s%s%s " % (idx, info, sign, data.rjust(16, "0"))


def main():
    size = int(float(sys.argv[1]) * 1_000_000)
    rng = random.Random(20261206)
    written = n = 0
    with open(sys.argv[2], "w", newline="\r\n") as out:
        while written < size:
            n += 1
            block = "%04d" % (n % 10000)
            if n % 100 == 1:
                line = "*" + word("11", block, str(n)) + word("84", "..10", rng.randint(6e9, 6.2e9)) + \
                    word("85", "..10", rng.randint(5e8, 6e8)) + word("86", "..10", rng.randint(5000, 40000)) + \
                    word("88", "..10", rng.randint(1400, 1700))
            elif n % 3 == 0:
                line = "*" + word("11", block, str(n)) + word("81", "..10", rng.randint(6e9, 6.2e9)) + \
                    word("82", "..10", rng.randint(5e8, 6e8)) + word("83", "..10", rng.randint(5000, 40000))
            else:
                line = "*" + word("11", block, str(n)) + word("21", ".322", rng.randint(0, 40000000)) + \
                    word("22", ".322", rng.randint(9000000, 11000000)) + word("31", "..00", rng.randint(2000, 300000)) + \
                    word("87", "..10", 1600)
            out.write(line + "\n")
            written += len(line) + 2


if __name__ == "__main__":
    main()
