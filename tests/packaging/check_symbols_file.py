#!/usr/bin/env python3
"""Compares a Debian symbols file with the shared library it describes.

Usage: check_symbols_file.py NM CXXFILT LIBRARY SONAME SYMBOLS_FILE

The file's first line must name the library's soname and the package that soname calls for
(libfoo.so.1 -> libfoo1), and its entries must be exactly the symbols the library exports,
each once: C names as they are, C++ names demangled under a (c++) tag, all at version Base.
dpkg-gensymbols applies the same rule when the packages are built; this check catches a
forgotten symbols file in the ordinary test run.
"""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "cipherkit"))
from check_exports import exported_symbols  # noqa: E402

ENTRY = re.compile(r'^ (?:\(c\+\+\)"(?P<cxx>.+)@(?P<cxxver>[^@"]+)"|(?P<c>\S+)@(?P<cver>\S+)) (?P<min>\S+)$')


def package_for(soname):
    """The Debian package name a soname calls for: libfoo.so.1 -> libfoo1."""
    match = re.fullmatch(r"(.+)\.so\.(\d+)", soname)
    if not match:
        return None
    base, version = match.groups()
    return f"{base}-{version}" if base[-1].isdigit() else f"{base}{version}"


def read_symbols_file(path):
    """(header fields, [(name, symbol version)], [problems]) of a symbols file."""
    with open(path, encoding="utf-8") as f:
        lines = [line.rstrip("\n") for line in f if not line.startswith("#")]
    if not lines:
        return [], [], [f"{path} is empty"]
    header, entries, problems = lines[0].split(), [], []
    for line in lines[1:]:
        if not line or line.startswith("* "):
            continue
        match = ENTRY.match(line)
        if not match:
            problems.append(f"unreadable line: {line!r}")
            continue
        name = match["cxx"] or match["c"]
        entries.append((name, match["cxxver"] or match["cver"]))
    return header, entries, problems


def check(actual, soname, header, entries):
    problems = []
    expected_header = [soname, package_for(soname) or "?", "#MINVER#"]
    if header != expected_header:
        problems.append(f"first line {' '.join(header)!r}, expected {' '.join(expected_header)!r}")
    names = [name for name, _ in entries]
    problems += [f"listed twice: {name}" for name in sorted({n for n in names if names.count(n) > 1})]
    problems += [f"not at version Base: {name}@{v}" for name, v in entries if v != "Base"]
    problems += [f"exported but not listed: {name}" for name in sorted(set(actual) - set(names))]
    problems += [f"listed but not exported: {name}" for name in sorted(set(names) - set(actual))]
    return problems


def main():
    if len(sys.argv) != 6:
        print(__doc__, file=sys.stderr)
        return 2
    nm, cxxfilt, library, soname, path = sys.argv[1:]
    header, entries, problems = read_symbols_file(path)
    problems += check(exported_symbols(nm, cxxfilt, library), soname, header, entries)
    for problem in problems:
        print(problem)
    if problems:
        print(f"FAILED: {path} does not describe {library}")
        return 1
    print(f"{len(entries)} symbols of {soname} match {path}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
