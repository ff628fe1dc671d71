#!/usr/bin/env python3
"""Prints what Python's own readers see in a tar.xz or zip archive, as JSON: one object per
entry, in archive order, with its name, kind, permission bits, owners, time and link target,
and for tar the pax header keys. Usage: archive_facts.py ARCHIVE"""
import json
import stat
import sys
import tarfile
import zipfile


def tar_facts(path):
    entries = []
    with tarfile.open(path, "r:xz") as archive:
        for member in archive.getmembers():
            kind = "folder" if member.isdir() else "link" if member.issym() else \
                "file" if member.isfile() else "other"
            entries.append({
                "name": member.name, "kind": kind, "mode": member.mode, "uid": member.uid,
                "gid": member.gid, "uname": member.uname, "gname": member.gname,
                "mtime": int(member.mtime), "link": member.linkname, "size": member.size,
                "pax": sorted(member.pax_headers.keys()),
            })
    return entries


def zip_facts(path):
    entries = []
    with zipfile.ZipFile(path) as archive:
        for info in archive.infolist():
            unix_mode = info.external_attr >> 16
            kind = "folder" if stat.S_ISDIR(unix_mode) or info.is_dir() else \
                "link" if stat.S_ISLNK(unix_mode) else "file"
            link = archive.read(info).decode() if kind == "link" else ""
            entries.append({
                "name": info.filename.rstrip("/"), "kind": kind, "mode": stat.S_IMODE(unix_mode),
                "date_time": list(info.date_time), "link": link, "size": info.file_size,
                "utf8": bool(info.flag_bits & 0x800),
            })
    return entries


def main():
    path = sys.argv[1]
    facts = zip_facts(path) if zipfile.is_zipfile(path) else tar_facts(path)
    json.dump(facts, sys.stdout)


if __name__ == "__main__":
    main()
