#!/usr/bin/env python3
"""Compares the symbols a shared library exports with the checked-in list.

Usage: check_exports.py NM CXXFILT LIBRARY EXPECTED_LIST

Every defined dynamic symbol counts (code, data, weak), except version nodes (type A), so an
accidental export or a changed signature shows up as a difference. A C++ constructor or
destructor is exported once per variant the compiler emits (complete object, base object,
deleting), which demangle alike, so the list holds such a name as many times.
"""
import collections
import subprocess
import sys

# Symbols a sanitizer build adds to every instrumented library; they are not part of the
# library's interface.
SANITIZER_PREFIXES = ("__asan", "__odr_asan", "__ubsan", "__sanitizer", "__lsan")


def exported_symbols(nm, cxxfilt, library):
    listing = subprocess.run([nm, "-D", "--defined-only", library], check=True,
                             capture_output=True, text=True).stdout
    raw = []
    for line in listing.splitlines():
        fields = line.split(maxsplit=2)
        if len(fields) != 3 or fields[1] == "A":
            continue
        if fields[2].startswith(SANITIZER_PREFIXES):
            continue
        raw.append(fields[2])
    demangled = subprocess.run([cxxfilt], input="\n".join(raw), check=True,
                               capture_output=True, text=True).stdout
    return sorted(name for name in demangled.splitlines() if name)


def expected_symbols(path):
    with open(path, encoding="utf-8") as f:
        lines = (line.strip() for line in f)
        return sorted(line for line in lines if line and not line.startswith("#"))


def main():
    if len(sys.argv) != 5:
        print(__doc__, file=sys.stderr)
        return 2
    nm, cxxfilt, library, expected_path = sys.argv[1:]
    actual = exported_symbols(nm, cxxfilt, library)
    expected = expected_symbols(expected_path)
    extra = sorted((collections.Counter(actual) - collections.Counter(expected)).elements())
    missing = sorted((collections.Counter(expected) - collections.Counter(actual)).elements())
    for name in extra:
        print(f"exported but not listed: {name}")
    for name in missing:
        print(f"listed but not exported: {name}")
    if extra or missing:
        print(f"FAILED: {library} does not export exactly {expected_path}")
        return 1
    print(f"{len(actual)} exported symbols match {expected_path}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
