#!/usr/bin/env python3
"""The contract check must notice drift: each case damages one field of a
built binary in memory and expects pecheck to name that fault.

    pecheck_test.py PATH/langpack.exe PATH/drvbridge.dll VERSION [i386|amd64]
"""
import struct
import sys

import pecheck


def pe_offset(data):
    return struct.unpack_from("<I", data, 0x3C)[0]


def put16(data, off, value):
    struct.pack_into("<H", data, off, value)


def put32(data, off, value):
    struct.pack_into("<I", data, off, value)


def coff_stamp(data):
    put32(data, pe_offset(data) + 8, 0x5F000000)


def other_machine(data):
    # The COFF machine of the other width; the optional header stays as built.
    off = pe_offset(data) + 4
    i386, amd64 = pecheck.MACHINES["i386"][0], pecheck.MACHINES["amd64"][0]
    put16(data, off, amd64 if struct.unpack_from("<H", data, off)[0] == i386 else i386)


def other_magic(data):
    off = pe_offset(data) + 24
    put16(data, off, 0x20B if struct.unpack_from("<H", data, off)[0] == 0x10B else 0x10B)


def toggle_dll_flag(data):
    off = pe_offset(data) + 22
    put16(data, off, struct.unpack_from("<H", data, off)[0] ^ pecheck.IMAGE_FILE_DLL)


def console_subsystem(data):
    put16(data, pe_offset(data) + 24 + 68, 3)


def os_version(data, field, value):
    # Optional header: OS version at 40, subsystem version at 48.
    put16(data, pe_offset(data) + 24 + field, value)


def os_version_xp(data):
    os_version(data, 40, 5)
    os_version(data, 42, 1)


def subsystem_version_old(data):
    os_version(data, 48, 4)


def imported_function(data, name):
    """File offset of an imported function's name in its hint/name entry."""
    pe = pecheck.Pe(bytes(data))
    wide = pe.magic == 0x20B
    o = pe.off(pe.dirs[1][0])
    while any(struct.unpack_from("<IIIII", data, o)):
        thunk = pe.off(struct.unpack_from("<I", data, o)[0] or struct.unpack_from("<I", data, o + 16)[0])
        while True:
            entry = struct.unpack_from("<Q" if wide else "<I", data, thunk)[0]
            if entry == 0:
                break
            if not entry >> (63 if wide else 31) and pe.cstr((entry & 0x7FFFFFFF) + 2) == name:
                return pe.off((entry & 0x7FFFFFFF) + 2)
            thunk += 8 if wide else 4
        o += 20
    raise AssertionError("%s is not imported" % name)


def import_off_the_list(data):
    # A function of the same DLL that the binary has no business calling.
    at = imported_function(data, "OutputDebugStringA")
    data[at:at + len("OutputDebugStringA")] = b"OutputDebugStringW"


def import_too_new(data):
    # SetFileInformationByHandle is Vista's: under an XP floor the check must
    # name it.
    pecheck.OS_FLOOR = (5, 1)


def import_by_ordinal(data):
    # The first import of the first DLL becomes an import by ordinal 7.
    pe = pecheck.Pe(bytes(data))
    desc = struct.unpack_from("<IIIII", data, pe.off(pe.dirs[1][0]))
    thunk = pe.off(desc[0] or desc[4])
    if pe.magic == 0x20B:
        struct.pack_into("<Q", data, thunk, (1 << 63) | 7)
    else:
        put32(data, thunk, 0x80000007)


def first_import_renamed(data):
    pe = pecheck.Pe(bytes(data))
    desc = struct.unpack_from("<IIIII", data, pe.off(pe.dirs[1][0]))
    data[pe.off(desc[3])] = ord("Q")


def export_renamed(data):
    # The name in the export directory, not the same text elsewhere (the
    # bridge's trace lines name their export too).
    pe = pecheck.Pe(bytes(data))
    at = bytes(data).index(b"\0GetExclusive\0", pe.off(pe.dirs[0][0])) + 1
    data[at + 11] = ord("f")


def resource_stamp(data):
    pe = pecheck.Pe(bytes(data))
    put32(data, pe.off(pe.dirs[2][0]) + 4, 0x5F000000)


def company_renamed(data):
    at = bytes(data).index("KAVEN".encode("utf-16-le"))
    data[at + 8] = ord("X")


def resource_entries(data, off):
    """(file offset, name or id, target) of each entry of a resource directory."""
    nnamed, nids = struct.unpack_from("<HH", data, off + 12)
    return [(off + 16 + 8 * i,) + struct.unpack_from("<II", data, off + 16 + 8 * i)
            for i in range(nnamed + nids)]


def devfile_language(data):
    # The first language entry under DEVFILE id 101: 1041 becomes 1033.
    pe = pecheck.Pe(bytes(data))
    root = pe.off(pe.dirs[2][0])

    def entries(off):
        return resource_entries(data, off)

    for _, name, target in entries(root):
        if name & 0x80000000:
            for _, rid, ntarget in entries(root + (target & 0x7FFFFFFF)):
                if rid == 101:
                    at = entries(root + (ntarget & 0x7FFFFFFF))[0][0]
                    put32(data, at, 1033)
                    return
    raise AssertionError("no DEVFILE id 101")


def appended_table(data, revision=0x0200, kind=2, length=None):
    # A certificate table in the shape a signing tool leaves: the image padded
    # to 8 bytes, then WIN_CERTIFICATE entries to the end of the file.
    pe = pecheck.Pe(bytes(data))
    data.extend(b"\0" * (-len(data) % 8))
    offset = len(data)
    body = b"\x30\x82" + b"\0" * 30
    data.extend(struct.pack("<IHH", length or 8 + len(body), revision, kind) + body)
    put32(data, pe.dirs_offset + 8 * pecheck.SECURITY_DIRECTORY, offset)
    put32(data, pe.dirs_offset + 8 * pecheck.SECURITY_DIRECTORY + 4, len(data) - offset)


def signed_shape(data):
    appended_table(data)


def table_not_at_end(data):
    appended_table(data)
    data.extend(b"\0" * 8)


def table_wrong_type(data):
    appended_table(data, kind=1)


def table_entry_too_long(data):
    appended_table(data, length=4096)


def manifest_level(data):
    at = bytes(data).index(b'level="asInvoker"')
    data[at + len(b'level="asInvoke')] = ord("X")


def manifest_os_dropped(data):
    # The Windows 10 entry names an unknown system instead.
    at = bytes(data).index(b"8e0f7a12-bfb3")
    data[at] = ord("9")


def manifest_entry(data, level):
    """File offset of the RT_MANIFEST type entry (level 0) or of its first
    name entry (level 1)."""
    pe = pecheck.Pe(bytes(data))
    root = pe.off(pe.dirs[2][0])

    def entries(off):
        return resource_entries(data, off)

    for at, kind, target in entries(root):
        if kind == pecheck.RT_MANIFEST:
            return at if level == 0 else entries(root + (target & 0x7FFFFFFF))[0][0]
    raise AssertionError("no RT_MANIFEST")


def manifest_id(data):
    put32(data, manifest_entry(data, 1), 2)


def manifest_gone(data):
    # The manifest becomes a resource of type 25: no RT_MANIFEST left.
    put32(data, manifest_entry(data, 0), 25)


CASES = [
    # (module, damage, text the report must contain)
    ("langpack", None, None),
    ("drvbridge", None, None),
    ("langpack", coff_stamp, "COFF time stamp"),
    ("drvbridge", coff_stamp, "COFF time stamp"),
    ("langpack", other_machine, "machine 0x"),
    ("drvbridge", other_machine, "machine 0x"),
    ("drvbridge", other_magic, "optional header magic"),
    ("langpack", toggle_dll_flag, "DLL flag set"),
    ("drvbridge", toggle_dll_flag, "DLL flag missing"),
    ("langpack", console_subsystem, "not Windows GUI"),
    ("langpack", first_import_renamed, "not a Windows system DLL"),
    ("drvbridge", first_import_renamed, "not a Windows system DLL"),
    ("drvbridge", export_renamed, "exports differ"),
    # The oldest Windows in the header and in every import.
    ("langpack", os_version_xp, "operating system version 5.1, not 6.0"),
    ("drvbridge", subsystem_version_old, "subsystem version 4."),
    ("drvbridge", import_off_the_list, "OutputDebugStringW, which is not on drvbridge's"),
    ("langpack", import_off_the_list, "OutputDebugStringW, which is not on langpack's"),
    ("langpack", import_too_new, "SetFileInformationByHandle, which Windows XP lacks"),
    ("drvbridge", import_by_ordinal, "ordinal 7"),
    ("langpack", resource_stamp, "resource directory time stamps"),
    ("langpack", devfile_language, "DEVFILE 101 has languages [1033]"),
    ("langpack", company_renamed, "CompanyName"),
    ("langpack", manifest_level, "requestedExecutionLevel"),
    ("langpack", manifest_os_dropped, "supportedOS"),
    ("langpack", manifest_id, "RT_MANIFEST id 2"),
    ("langpack", manifest_gone, "0 RT_MANIFEST resources"),
    ("drvbridge", company_renamed, "CompanyName"),
    # A well-formed certificate table is the one thing signing may add.
    ("langpack", signed_shape, None),
    ("drvbridge", signed_shape, None),
    ("drvbridge", table_not_at_end, "ends the file"),
    ("langpack", table_wrong_type, "not a PKCS#7 signature"),
    ("drvbridge", table_entry_too_long, "has length 4096"),
]


def main(argv):
    paths = {"langpack": argv[1], "drvbridge": argv[2]}
    version = argv[3]
    machine = argv[4] if len(argv) > 4 else "i386"
    bad = 0
    for module, damage, expect in CASES:
        with open(paths[module], "rb") as f:
            data = bytearray(f.read())
        floor = pecheck.OS_FLOOR
        if damage:
            damage(data)
        failures = []
        check = pecheck.check_langpack if module == "langpack" else pecheck.check_drvbridge
        try:
            check(pecheck.Pe(bytes(data)), failures, version, machine)
        except (ValueError, IndexError, struct.error) as e:
            failures.append("unreadable: %s" % e)
        pecheck.OS_FLOOR = floor
        name = "%s/%s" % (module, damage.__name__ if damage else "intact")
        if expect is None:
            ok = not failures
        else:
            ok = any(expect in f for f in failures)
        print("%s %s%s" % ("ok  " if ok else "FAIL", name, "" if ok else ": %s" % failures))
        bad += not ok
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
