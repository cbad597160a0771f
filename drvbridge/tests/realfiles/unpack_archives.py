#!/usr/bin/env python3
"""Writes every printer description file held in the self-extracting driver
archives (the executables under /usr/lib/cups/driver that carry an index and
one xz-compressed archive) into OUT_DIR, one file per entry.
    unpack_archives.py OUT_DIR [ARCHIVE...]"""
import base64
import glob
import importlib.machinery
import importlib.util
import lzma
import os
import sys


def load(path):
    loader = importlib.machinery.SourceFileLoader("archive_%d" % abs(hash(path)), path)
    spec = importlib.util.spec_from_loader(loader.name, loader)
    module = importlib.util.module_from_spec(spec)
    try:
        loader.exec_module(module)  # main() only runs as __main__
        index = module.load()
    except Exception:
        return None, None
    archive = lzma.decompress(base64.b64decode(index.pop("ARCHIVE").encode("ascii")))
    return index, archive


def main():
    out = sys.argv[1]
    archives = sys.argv[2:] or sorted(glob.glob("/usr/lib/cups/driver/*"))
    os.makedirs(out, exist_ok=True)
    written = 0
    for path in archives:
        with open(path, "rb") as f:
            if b"ppds_compressed_b64" not in f.read():
                continue
        index, archive = load(path)
        if index is None:
            continue
        prefix = os.path.basename(path)
        for name, value in index.items():
            start, length = value[0], value[1]
            target = os.path.join(out, "%s-%05d.ppd" % (prefix, written))
            with open(target, "wb") as f:
                f.write(archive[start:start + length])
            written += 1
    print("unpacked %d files" % written)


main()
