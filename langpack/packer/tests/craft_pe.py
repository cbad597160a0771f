#!/usr/bin/env python3
"""Damaged programs for lppack: two crafted shapes that once broke it, made
from a built langpack.exe, and small programs of both widths (whole and
damaged) that seed the packer's fuzz targets.

  craft_pe.py crafted LANGPACK.EXE OUT_DIR
      header_after_resources.exe  the PE header and section table moved
                                  behind every section (e_lfanew points there)
      shared_subdirectories.exe   a resource tree of 470 types, each naming
                                  the same 470 names, each the same 470
                                  languages: 10^8 leaves in 11 KB
  craft_pe.py seeds OUT_DIR       the fuzz seeds (a few KB each), one folder
                                  per target
"""
import os
import struct
import sys

SHARED_FANOUT = 470


def u16(b, at):
    return struct.unpack_from("<H", b, at)[0]


def u32(b, at):
    return struct.unpack_from("<I", b, at)[0]


def headers(b):
    """(PE header offset, section table offset, section count)."""
    pe = u32(b, 0x3C)
    count = u16(b, pe + 6)
    optsize = u16(b, pe + 20)
    return pe, pe + 24 + optsize, count


def sections(b):
    _, table, count = headers(b)
    found = []
    for i in range(count):
        at = table + 40 * i
        name = bytes(b[at:at + 8]).rstrip(b"\0").decode("ascii", "replace")
        vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", b, at + 8)
        found.append({"name": name, "header": at, "vsize": vsize, "va": va,
                      "rawsize": rawsize, "rawptr": rawptr})
    return found


def resource_section(b):
    pe, _, _ = headers(b)
    magic = u16(b, pe + 24)
    dirs = pe + 24 + (96 if magic == 0x10B else 112)
    rva = u32(b, dirs + 8 * 2)
    for s in sections(b):
        if s["va"] == rva:
            return s
    raise SystemExit("craft_pe: no resource section")


def header_after_resources(b):
    """The headers copied to the end of the file, e_lfanew pointing there."""
    pe, table, count = headers(b)
    out = bytearray(b)
    out += b"\0" * (-len(out) % 8)
    moved = len(out)
    out += b[pe:table + 40 * count]
    struct.pack_into("<I", out, 0x3C, moved)
    return out


def shared_subdirectories(b, fanout=SHARED_FANOUT):
    """Every entry of a level points at the same directory of the next."""
    rs = resource_section(b)
    level = 16 + 8 * fanout
    data_entry = 3 * level
    payload = data_entry + 16
    need = payload + 16
    if rs["rawsize"] < need:
        raise SystemExit("craft_pe: the resource section is too small")
    tree = bytearray()
    for depth in range(3):
        tree += struct.pack("<IIHHHH", 0, 0, 4, 0, 0, fanout)
        child = data_entry if depth == 2 else (depth + 1) * level | 0x80000000
        for i in range(fanout):
            tree += struct.pack("<II", 1041 if depth == 2 else i + 1, child)
    tree += struct.pack("<IIII", rs["va"] + payload, 16, 0, 0)
    tree += b"shared leaf data"
    out = bytearray(b)
    out[rs["rawptr"]:rs["rawptr"] + len(tree)] = tree
    return out


# Small programs: headers, a code section, the resource section, and a
# discardable relocation section after it, as the linker lays them out.
FILE_ALIGN = 0x200
SECT_ALIGN = 0x1000


def align(n, a):
    return (n + a - 1) // a * a


def res_tree(types, va):
    """types: [(key, [(key, [(language, data)])])]; key an int or a str."""
    dirs = bytearray()
    entries = bytearray()
    strings = bytearray()
    blobs = []
    n_leaves = sum(len(leaves) for _, names in types for _, leaves in names)
    dir_size = 16 + 8 * len(types) + sum(
        16 + 8 * len(names) + sum(16 + 8 * len(l) for _, l in names) for _, names in types)
    str_at = dir_size + 16 * n_leaves
    str_len = sum(2 + 2 * len(k) for k, names in types if isinstance(k, str)) + sum(
        2 + 2 * len(k) for _, names in types for k, _ in names if isinstance(k, str))
    data_at = align(str_at + str_len, 8)

    def key_field(key):
        nonlocal strings
        if isinstance(key, int):
            return key
        at = str_at + len(strings)
        strings += struct.pack("<H", len(key)) + key.encode("utf-16-le")
        return 0x80000000 | at

    def directory(children):
        named = sum(1 for k, _ in children if isinstance(k, str))
        return struct.pack("<IIHHHH", 0, 0, 4, 0, named, len(children) - named)

    # Breadth first: root, type directories, name directories.
    next_dir = 16 + 8 * len(types)
    dirs += directory(types)
    type_dirs = []
    for key, names in types:
        dirs += struct.pack("<II", key_field(key), 0x80000000 | next_dir)
        type_dirs.append(next_dir)
        next_dir += 16 + 8 * len(names)
    name_dirs = []
    for (key, names) in types:
        dirs += directory(names)
        for nkey, leaves in names:
            dirs += struct.pack("<II", key_field(nkey), 0x80000000 | next_dir)
            name_dirs.append((next_dir, leaves))
            next_dir += 16 + 8 * len(leaves)
    data = bytearray()
    entry_at = dir_size
    for at, leaves in name_dirs:
        assert len(dirs) == at
        dirs += struct.pack("<IIHHHH", 0, 0, 4, 0, 0, len(leaves))
        for language, blob in leaves:
            dirs += struct.pack("<II", language, entry_at)
            entries += struct.pack("<IIII", va + data_at + len(data), len(blob), 0, 0)
            entry_at += 16
            data += blob + b"\0" * (-len(blob) % 8)
    section = dirs + entries + strings
    section += b"\0" * (data_at - len(section))
    return bytes(section + data)


def version_block():
    text = "ZeltDrv langpack.exe".encode("utf-16-le")
    return struct.pack("<HHH", 6 + len(text), 0, 1) + text


def member(i):
    return b"\x1f\x8b\x08\x08" + bytes(6) + b"file%04d.%03d\0" % (i // 5, i % 5 + 1) + \
        bytes([i]) * (i % 7) + bytes(8)


def small_program(width, members=3, with_reloc=True):
    magic, machine, optsize = (0x10B, 0x14C, 224) if width == 32 else (0x20B, 0x8664, 240)
    rsrc_va = 2 * SECT_ALIGN
    tree = [("DEVFILE", [(101 + i, [(1041, member(i))]) for i in range(members)]),
            (16, [(1, [(1033, version_block())])]),
            (24, [(1, [(1033, b"<assembly/>")])])]
    rsrc = res_tree(tree, rsrc_va)
    secs = [(b".text", SECT_ALIGN, b"\xc3" * 16, 0x60000020),
            (b".rsrc", rsrc_va, rsrc, 0x40000040)]
    if with_reloc:
        secs.append((b".reloc", rsrc_va + align(len(rsrc), SECT_ALIGN),
                     struct.pack("<II", SECT_ALIGN, 8), 0x42000040))
    head_size = align(64 + 4 + 20 + optsize + 40 * len(secs), FILE_ALIGN)
    raw = bytearray()
    table = bytearray()
    for name, va, body, flags in secs:
        ptr = head_size + len(raw)
        raw += body + b"\0" * (-len(body) % FILE_ALIGN)
        table += struct.pack("<8sIIIIIIHHI", name, len(body), va, align(len(body), FILE_ALIGN),
                             ptr, 0, 0, 0, 0, flags)
    image_size = secs[-1][1] + align(len(secs[-1][2]), SECT_ALIGN)
    opt = bytearray(optsize)
    struct.pack_into("<HBB", opt, 0, magic, 2, 40)
    struct.pack_into("<I", opt, 16, SECT_ALIGN)  # entry point
    struct.pack_into("<II", opt, 32, SECT_ALIGN, FILE_ALIGN)
    struct.pack_into("<II", opt, 56, image_size, head_size)
    struct.pack_into("<H", opt, 68, 2)  # windowed
    dirs = 96 if magic == 0x10B else 112
    struct.pack_into("<I", opt, dirs - 4, 16)
    struct.pack_into("<II", opt, dirs + 8 * 2, rsrc_va, len(rsrc))
    if with_reloc:
        struct.pack_into("<II", opt, dirs + 8 * 5, secs[2][1], 8)
    dos = bytearray(64)
    dos[0:2] = b"MZ"
    struct.pack_into("<I", dos, 0x3C, 64)
    coff = struct.pack("<HHIIIHH", machine, len(secs), 0, 0, 0, optsize, 0x0102)
    head = dos + b"PE\0\0" + coff + opt + table
    return bytes(head + b"\0" * (head_size - len(head)) + raw)


def damaged(b):
    """Small damaged copies: one field each."""
    pe, table, count = headers(b)
    rs = resource_section(b)
    cases = {}

    def patch(name, at, fmt, value):
        out = bytearray(b)
        struct.pack_into(fmt, out, at, value)
        cases[name] = bytes(out)

    patch("section_at_offset_0", rs["header"] + 20, "<I", 0)
    patch("resource_beyond_file", rs["header"] + 16, "<I", 0x7FFFFFF0)
    patch("too_many_sections", pe + 6, "<H", 0xFFFF)
    patch("type_entry_loops_to_root", rs["rawptr"] + 20, "<I", 0x80000000)
    r = rs["rawptr"]
    type_dir = r + (u32(b, r + 20) & 0x7FFFFFFF)
    name_dir = r + (u32(b, type_dir + 20) & 0x7FFFFFFF)
    patch("data_entry_past_section", r + u32(b, name_dir + 20), "<I", 0x7FFFFFFF)
    cases["truncated"] = b[:rs["rawptr"] + 40]
    cases["header_after_resources"] = bytes(header_after_resources(b))
    return cases


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "crafted":
        with open(sys.argv[2], "rb") as f:
            b = f.read()
        os.makedirs(sys.argv[3], exist_ok=True)
        for name, out in (("header_after_resources.exe", header_after_resources(b)),
                          ("shared_subdirectories.exe", shared_subdirectories(b))):
            with open(os.path.join(sys.argv[3], name), "wb") as f:
                f.write(out)
    elif len(sys.argv) == 3 and sys.argv[1] == "seeds":
        programs = {}
        trees = {}
        for width in (32, 64):
            whole = small_program(width)
            programs["pe%d" % width] = whole
            programs["pe%d_no_reloc" % width] = small_program(width, with_reloc=False)
            programs["pe%d_shared_subdirectories" % width] = bytes(
                shared_subdirectories(small_program(width, members=40), fanout=12))
            for name, out in damaged(whole).items():
                programs["pe%d_%s" % (width, name)] = out
        # res_tree_fuzz: a selector byte (bit 0 the width, the rest the new
        # members' sizes), then a resource section's raw data.
        for name in ("pe64", "pe64_shared_subdirectories", "pe64_type_entry_loops_to_root",
                     "pe64_data_entry_past_section"):
            b = programs[name]
            rs = resource_section(b)
            raw = b[rs["rawptr"]:rs["rawptr"] + rs["vsize"]]
            for selector in (0x00, 0x03, 0x05, 0x46):
                trees["%s_%02x" % (name[5:] or "tree", selector)] = bytes([selector]) + raw
        for target, seeds in (("pe_roundtrip_fuzz", programs), ("res_tree_fuzz", trees)):
            folder = os.path.join(sys.argv[2], target)
            os.makedirs(folder, exist_ok=True)
            for name, out in seeds.items():
                with open(os.path.join(folder, name), "wb") as f:
                    f.write(out)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
