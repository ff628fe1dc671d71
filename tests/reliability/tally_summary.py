#!/usr/bin/env python3
"""Adds up the fault tallies that the reliability tests append to a file.

    tally_summary.py TALLY_FILE

Prints one line per family, "family: tried N, survived N, data lost N", then a total, and
exits 1 when any case did not survive or lost data (or when the file holds no case).
"""
import collections
import sys

KINDS = ("tried", "survived", "lost")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    counts = collections.OrderedDict()
    try:
        with open(sys.argv[1], encoding="utf-8", errors="replace") as tally:
            for line in tally:
                parts = line.rstrip("\n").split("\t")
                if len(parts) < 2 or parts[1] not in KINDS:
                    continue
                counts.setdefault(parts[0], collections.Counter())[parts[1]] += 1
    except FileNotFoundError:
        pass
    total = collections.Counter()
    for family, count in counts.items():
        print("%s: tried %d, survived %d, data lost %d"
              % (family, count["tried"], count["survived"], count["lost"]))
        total.update(count)
    print("all families: tried %d, survived %d, data lost %d"
          % (total["tried"], total["survived"], total["lost"]))
    healthy = total["tried"] > 0 and total["survived"] == total["tried"] and total["lost"] == 0
    sys.exit(0 if healthy else 1)


if __name__ == "__main__":
    main()
