#!/usr/bin/env python3
"""Prints "HEX WIDTH CHARACTER" (UTF-8) for every code point whose terminal width Unicode's own data settles,
from Python's unicodedata (east_asian_width and the general category), so the installer's
widths are checked against something other than the C library they come from."""
import sys
import unicodedata

# Characters without a width of their own: controls, format characters, separators,
# surrogates, private use and unassigned code points.
NO_WIDTH = {"Cc", "Cf", "Cs", "Co", "Cn", "Zl", "Zp"}

# Two blocks that the C library (and terminals) count wide with the rest of the CJK blocks
# around them, where east_asian_width says ambiguous or neutral.
WIDE_BY_BLOCK = [(0x3248, 0x324F), (0x4DC0, 0x4DFF)]

# Hangul vowels and final consonants join the leading consonant into one syllable.
JOINING_JAMO = [(0x1160, 0x11FF), (0xD7B0, 0xD7FF)]


def inside(code, ranges):
    return any(low <= code <= high for low, high in ranges)


def width(code):
    char = chr(code)
    category = unicodedata.category(char)
    if category in NO_WIDTH or inside(code, WIDE_BY_BLOCK):
        return None
    if category in ("Mn", "Me") or inside(code, JOINING_JAMO):
        return 0
    return 2 if unicodedata.east_asian_width(char) in ("W", "F") else 1


def main():
    lines = []
    for code in range(0x20, 0x40000):
        known = width(code)
        if known is not None:
            lines.append(f"{code:X} {known} {chr(code)}\n")
    sys.stdout.buffer.write("".join(lines).encode("utf-8"))


if __name__ == "__main__":
    main()
