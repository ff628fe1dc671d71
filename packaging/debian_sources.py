#!/usr/bin/env python3
"""Prints this machine's Debian archive sources as one-line apt entries, one a line:
    deb URI SUITE COMPONENT...
read from /etc/apt/sources.list and /etc/apt/sources.list.d/ (*.list and deb822 *.sources).
Only Debian's own archives count (a host ending in debian.org), binary entries only.

Usage: debian_sources.py [APT_DIR]     (default /etc/apt)
"""
import glob
import os
import re
import sys
from urllib.parse import urlparse


def is_debian(uri):
    host = urlparse(uri).hostname or ""
    return host == "debian.org" or host.endswith(".debian.org")


def one_line_entries(text):
    for line in text.splitlines():
        line = line.split("#", 1)[0].strip()
        line = re.sub(r"\[[^]]*\]", " ", line)  # options such as [signed-by=...]
        fields = line.split()
        if len(fields) >= 4 and fields[0] == "deb":
            yield fields[1], fields[2], fields[3:]


def deb822_entries(text):
    for stanza in re.split(r"\n\s*\n", text):
        fields, key = {}, None
        for line in stanza.splitlines():
            if line.startswith("#"):
                continue
            if line[:1] in (" ", "\t") and key:
                fields[key] += " " + line.strip()
            elif ":" in line:
                key, value = line.split(":", 1)
                key = key.strip().lower()
                fields[key] = value.strip()
        if "deb" not in fields.get("types", "").split():
            continue
        if fields.get("enabled", "yes").lower() == "no":
            continue
        for uri in fields.get("uris", "").split():
            for suite in fields.get("suites", "").split():
                yield uri, suite, fields.get("components", "").split()


def entries(apt_dir):
    files = [os.path.join(apt_dir, "sources.list")]
    files += sorted(glob.glob(os.path.join(apt_dir, "sources.list.d", "*")))
    for path in files:
        if not os.path.isfile(path):
            continue
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        if path.endswith(".sources"):
            yield from deb822_entries(text)
        elif path.endswith(".list"):
            yield from one_line_entries(text)


def main():
    apt_dir = sys.argv[1] if len(sys.argv) > 1 else "/etc/apt"
    seen = set()
    for uri, suite, components in entries(apt_dir):
        line = " ".join(["deb", uri.rstrip("/"), suite] + components)
        if is_debian(uri) and components and line not in seen:
            seen.add(line)
            print(line)
    return 0


if __name__ == "__main__":
    sys.exit(main())
