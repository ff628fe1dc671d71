#!/usr/bin/env python3
"""Property-list fixtures from Python's plistlib, for the reader and writer tests.

Values travel as tagged JSON, which keeps the kinds that JSON alone would blur:
  {"string": "..."} {"integer": 5} {"real": 1.5} {"bool": true} {"date": seconds since 2001}
  {"data": "0a1b"} {"array": [...]} {"dict": [["key", value], ...]}

  plist_fixtures.py write DIR     stdin: [{"name": n, "format": "xml"|"binary", "value": v}]
                                  writes DIR/<n>.plist with plistlib.dumps (dictionary order kept)
  plist_fixtures.py check FILE    stdin: a value; loads FILE with plistlib and exits 0 when it
                                  holds exactly that value (dictionary order included)
"""
import datetime
import json
import math
import plistlib
import sys

EPOCH_2001 = datetime.datetime(2001, 1, 1)


def from_tagged(tagged):
    (kind, value), = tagged.items()
    if kind == "string":
        return value
    if kind == "integer":
        return int(value)
    if kind == "real":
        return float(value)
    if kind == "bool":
        return bool(value)
    if kind == "date":
        return EPOCH_2001 + datetime.timedelta(seconds=value)
    if kind == "data":
        return bytes.fromhex(value)
    if kind == "array":
        return [from_tagged(item) for item in value]
    if kind == "dict":
        return {key: from_tagged(item) for key, item in value}
    raise ValueError("unknown kind " + kind)


def to_tagged(value):
    if isinstance(value, bool):
        return {"bool": value}
    if isinstance(value, int):
        return {"integer": value}
    if isinstance(value, float):
        return {"real": value}
    if isinstance(value, str):
        return {"string": value}
    if isinstance(value, datetime.datetime):
        return {"date": (value - EPOCH_2001).total_seconds()}
    if isinstance(value, bytes):
        return {"data": value.hex()}
    if isinstance(value, list):
        return {"array": [to_tagged(item) for item in value]}
    if isinstance(value, dict):
        return {"dict": [[key, to_tagged(item)] for key, item in value.items()]}
    raise ValueError("unexpected value %r" % (value,))


def same(a, b):
    """Tagged values equal, reals compared exactly (NaN equal to NaN)."""
    if a.keys() != b.keys():
        return False
    (kind, x), = a.items()
    y = b[kind]
    if kind in ("real", "date"):
        return x == y or (math.isnan(x) and math.isnan(y))
    if kind == "array":
        return len(x) == len(y) and all(same(p, q) for p, q in zip(x, y))
    if kind == "dict":
        return len(x) == len(y) and all(
            kp == kq and same(p, q) for (kp, p), (kq, q) in zip(x, y))
    return x == y


def write(folder):
    for case in json.load(sys.stdin):
        fmt = plistlib.FMT_XML if case["format"] == "xml" else plistlib.FMT_BINARY
        data = plistlib.dumps(from_tagged(case["value"]), fmt=fmt, sort_keys=False)
        with open("%s/%s.plist" % (folder, case["name"]), "wb") as out:
            out.write(data)
    return 0


def check(path):
    expected = json.load(sys.stdin)
    with open(path, "rb") as f:
        actual = to_tagged(plistlib.load(f))
    if same(expected, actual):
        return 0
    print("plistlib read:", json.dumps(actual), file=sys.stderr)
    print("expected:     ", json.dumps(expected), file=sys.stderr)
    return 1


if __name__ == "__main__":
    command, argument = sys.argv[1], sys.argv[2]
    sys.exit(write(argument) if command == "write" else check(argument))
