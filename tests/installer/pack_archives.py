#!/usr/bin/env python3
"""Makes pack archives for the tests with Python's own tarfile and zipfile writers.

    pack_archives.py folder FORM FOLDER OUTPUT TOP
        FOLDER (a NAME.pack folder) packed as FORM (tar, tar.gz, tar.xz, zip); TOP "pack" puts
        NAME.pack/ at the archive's top, "contents" puts Contents/ there. Links stay links.
    pack_archives.py entries FORM OUTPUT JSON
        an archive of the entries JSON lists, in order: objects with "name" (or "name_hex"),
        "type" (file, dir, symlink, hardlink, chr, blk, fifo), "data" (times "repeat"), "target", "size"
        (a size to state in a zip that differs from the data's, for a lying header).
"""
import io
import json
import os
import stat
import sys
import tarfile
import zipfile

TAR_MODES = {"tar": "w", "tar.gz": "w:gz", "tar.xz": "w:xz"}
TAR_TYPES = {"file": tarfile.REGTYPE, "dir": tarfile.DIRTYPE, "symlink": tarfile.SYMTYPE,
             "hardlink": tarfile.LNKTYPE, "chr": tarfile.CHRTYPE, "blk": tarfile.BLKTYPE,
             "fifo": tarfile.FIFOTYPE}


def pack_folder(form, folder, output, top):
    folder = folder.rstrip("/")
    base = os.path.dirname(folder) if top == "pack" else folder
    start = folder if top == "pack" else os.path.join(folder, "Contents")
    paths = [start]
    for here, dirs, files in os.walk(start):
        dirs.sort()
        for name in sorted(dirs) + sorted(files):
            paths.append(os.path.join(here, name))
    if form == "zip":
        with zipfile.ZipFile(output, "w", zipfile.ZIP_DEFLATED) as archive:
            for path in paths:
                name = os.path.relpath(path, base)
                if os.path.islink(path):
                    info = zipfile.ZipInfo(name)
                    info.external_attr = (stat.S_IFLNK | 0o777) << 16
                    archive.writestr(info, os.readlink(path))
                else:
                    archive.write(path, name)
        return
    with tarfile.open(output, TAR_MODES[form], format=tarfile.PAX_FORMAT) as archive:
        for path in paths:
            archive.add(path, os.path.relpath(path, base), recursive=False)


def entry_name(entry):
    if "name_hex" in entry:
        return bytes.fromhex(entry["name_hex"]).decode("utf-8", "surrogateescape")
    return entry["name"]


def entry_data(entry):
    return entry.get("data", "") * entry.get("repeat", 1)


def tar_entries(form, output, entries):
    with tarfile.open(output, TAR_MODES[form], format=tarfile.GNU_FORMAT,
                      encoding="utf-8", errors="surrogateescape") as archive:
        for entry in entries:
            info = tarfile.TarInfo(entry_name(entry))
            info.type = TAR_TYPES[entry.get("type", "file")]
            info.mode = 0o755 if info.type == tarfile.DIRTYPE else 0o644
            info.linkname = entry.get("target", "")
            data = entry_data(entry).encode()
            if info.type == tarfile.REGTYPE:
                info.size = len(data)
                archive.addfile(info, io.BytesIO(data))
            else:
                archive.addfile(info)


def zip_entries(output, entries):
    lies = []
    with zipfile.ZipFile(output, "w", zipfile.ZIP_DEFLATED) as archive:
        for entry in entries:
            info = zipfile.ZipInfo(entry_name(entry))
            kind = entry.get("type", "file")
            mode = {"dir": stat.S_IFDIR | 0o755, "symlink": stat.S_IFLNK | 0o777,
                    "fifo": stat.S_IFIFO | 0o644}.get(kind, stat.S_IFREG | 0o644)
            info.external_attr = mode << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            data = entry.get("target", "") if kind == "symlink" else entry_data(entry)
            archive.writestr(info, data)
            if "size" in entry:
                lies.append((info, entry["size"]))
    if lies:
        state_sizes(output, lies)


def state_sizes(output, lies):
    """Rewrites the uncompressed size that the local and central headers state."""
    blob = bytearray(open(output, "rb").read())
    for info, size in lies:
        local = info.header_offset
        blob[local + 22:local + 26] = size.to_bytes(4, "little")
        name = info.filename.encode()
        position = 0
        while True:
            position = blob.find(b"PK\x01\x02", position)
            if position < 0:
                break
            length = int.from_bytes(blob[position + 28:position + 30], "little")
            if bytes(blob[position + 46:position + 46 + length]) == name:
                blob[position + 24:position + 28] = size.to_bytes(4, "little")
            position += 4
    open(output, "wb").write(bytes(blob))


def main():
    if len(sys.argv) == 6 and sys.argv[1] == "folder":
        pack_folder(sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5])
    elif len(sys.argv) == 5 and sys.argv[1] == "entries":
        entries = json.loads(sys.argv[4])
        if sys.argv[2] == "zip":
            zip_entries(sys.argv[3], entries)
        else:
            tar_entries(sys.argv[2], sys.argv[3], entries)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
