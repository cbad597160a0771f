#!/usr/bin/env python3
"""Checks of the release's files against what they claim, for
scripts/release-tests.sh. Each prints one line per fault and exits 1 on any.

    check_release.py stripped BIN DEBUG_FILE BUILT
        BIN has no DWARF sections and no COFF symbol table, its
        .gnu_debuglink names DEBUG_FILE's base name with DEBUG_FILE's CRC-32,
        DEBUG_FILE holds DWARF, and every section BIN loads is BUILT's
        section of that name, byte for byte (only debug data was removed).
    check_release.py sums TREE
        TREE/SHA256SUMS lists every other file of TREE once, each digest right.
    check_release.py sbom SPDX_JSON TREE
        An SPDX 2.3 document listing every file of TREE (./path) with its
        SHA-256 and SHA-1, and each linked component with the version the
        build machine's dpkg reports for its packages.
    check_release.py notices NOTICES
        Each component with its packages' versions and its licence text.
"""
import hashlib
import json
import os
import re
import struct
import subprocess
import sys
import zlib

# Component -> (its packages, sentences its licence text must hold). The
# packages are the Debian ones the static libraries come from.
COMPONENTS = {
    "zlib": (["libz-mingw-w64-dev"],
             ["This software is provided 'as-is', without any express or implied"]),
    "mingw-w64 runtime": (["mingw-w64-i686-dev", "mingw-w64-x86-64-dev"],
                          ["Redistributions in binary form must reproduce the accompanying"]),
    "winpthreads": (["mingw-w64-i686-dev", "mingw-w64-x86-64-dev"],
                    ["Permission is hereby granted, free of charge"]),
    "GCC runtime libraries (libgcc, libstdc++)": (
        ["gcc-mingw-w64-i686-posix", "g++-mingw-w64-i686-posix",
         "gcc-mingw-w64-x86-64-posix", "g++-mingw-w64-x86-64-posix"],
        ["GCC RUNTIME LIBRARY EXCEPTION", "Version 3.1, 31 March 2009"]),
}


def dpkg_version(package):
    return subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], check=True,
                          capture_output=True, text=True).stdout


def sections(data):
    """{name: (virtual address, raw bytes)}, the COFF symbol table's offset
    and count; long names (/N) are read from the string table."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    _, nsections, _, symptr, nsyms, optsize, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    out = {}
    at = pe + 24 + optsize
    for i in range(nsections):
        raw_name, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", data, at + 40 * i)
        name = raw_name.rstrip(b"\0").decode("latin-1")
        if name.startswith("/") and symptr:
            strings = symptr + 18 * nsyms
            start = strings + int(name[1:])
            name = data[start:data.index(b"\0", start)].decode("latin-1")
        out[name] = (va, data[rawptr:rawptr + min(vsize or rawsize, rawsize)])
    return out, symptr, nsyms


def check_stripped(binary, debug_file, built, faults):
    with open(binary, "rb") as f:
        data = f.read()
    with open(debug_file, "rb") as f:
        debug = f.read()
    with open(built, "rb") as f:
        original = f.read()
    secs, symptr, nsyms = sections(data)
    # The string table alone may stay: it holds the long section names.
    if nsyms:
        faults.append("COFF symbol table of %d symbols at 0x%x" % (nsyms, symptr))
    for name in secs:
        if name.startswith(".debug"):
            faults.append("section %s" % name)
    link = secs.get(".gnu_debuglink")
    if link is None:
        faults.append("no .gnu_debuglink section")
    else:
        raw = link[1]
        end = raw.index(b"\0")
        crc_at = (end + 4) & ~3
        linked = raw[:end].decode("latin-1")
        crc = struct.unpack_from("<I", raw, crc_at)[0]
        if linked != os.path.basename(debug_file):
            faults.append(".gnu_debuglink names %s, not %s" % (linked, os.path.basename(debug_file)))
        if crc != zlib.crc32(debug):
            faults.append(".gnu_debuglink CRC 0x%08x, the debug file's is 0x%08x"
                          % (crc, zlib.crc32(debug)))
    debug_secs, _, _ = sections(debug)
    if ".debug_info" not in debug_secs or ".debug_line" not in debug_secs:
        faults.append("%s holds no .debug_info and .debug_line" % debug_file)
    built_secs, _, _ = sections(original)
    for name, (va, raw) in secs.items():
        if name == ".gnu_debuglink":
            continue
        if name not in built_secs:
            faults.append("section %s is not in the build" % name)
        elif built_secs[name] != (va, raw):
            faults.append("section %s differs from the build's" % name)
    for name in built_secs:
        if not name.startswith(".debug") and name not in secs:
            faults.append("the build's section %s is missing" % name)


def files_of(tree):
    return sorted(os.path.relpath(os.path.join(d, f), tree).replace(os.sep, "/")
                  for d, _, fs in os.walk(tree) for f in fs)


def digest(path, algorithm):
    with open(path, "rb") as f:
        return hashlib.new(algorithm, f.read()).hexdigest()


def check_sums(tree, faults):
    listed = {}
    with open(os.path.join(tree, "SHA256SUMS"), encoding="utf-8") as f:
        for line in f:
            value, _, path = line.rstrip("\n").partition("  ")
            if path in listed:
                faults.append("SHA256SUMS lists %s twice" % path)
            listed[path] = value
    want = [p for p in files_of(tree) if p != "SHA256SUMS"]
    for path in want:
        if path not in listed:
            faults.append("SHA256SUMS lacks %s" % path)
        elif listed[path] != digest(os.path.join(tree, path), "sha256"):
            faults.append("SHA256SUMS: %s has another digest" % path)
    for path in listed:
        if path not in want:
            faults.append("SHA256SUMS lists %s, which is not in the tree" % path)


def check_sbom(spdx, tree, faults):
    with open(spdx, encoding="utf-8") as f:
        doc = json.load(f)
    for key, value in (("spdxVersion", "SPDX-2.3"), ("dataLicense", "CC0-1.0"),
                       ("SPDXID", "SPDXRef-DOCUMENT")):
        if doc.get(key) != value:
            faults.append("%s is %r, not %r" % (key, doc.get(key), value))
    for key in ("name", "documentNamespace", "creationInfo", "packages", "files",
                "relationships"):
        if not doc.get(key):
            faults.append("no %s" % key)
    files = {}
    for entry in doc.get("files", []):
        sums = {c["algorithm"]: c["checksumValue"] for c in entry.get("checksums", [])}
        files[entry.get("fileName")] = sums
    want = ["./" + p for p in files_of(tree)]
    for path in want:
        sums = files.get(path)
        local = os.path.join(tree, path[2:])
        if sums is None:
            faults.append("the SBOM lacks %s" % path)
            continue
        for algorithm in ("SHA256", "SHA1"):
            if sums.get(algorithm) != digest(local, algorithm.lower()):
                faults.append("the SBOM's %s of %s is wrong" % (algorithm, path))
    for path in files:
        if path not in want:
            faults.append("the SBOM lists %s, which is not in the tree" % path)
    ids = {e.get("SPDXID") for e in doc.get("packages", []) + doc.get("files", [])}
    for r in doc.get("relationships", []):
        for end in (r.get("spdxElementId"), r.get("relatedSpdxElement")):
            if end != "SPDXRef-DOCUMENT" and end not in ids:
                faults.append("relationship names %s, which the document lacks" % end)
    defined = {e.get("licenseId") for e in doc.get("hasExtractedLicensingInfos", [])
               if e.get("extractedText")}
    for p in doc.get("packages", []):
        for ref in re.findall(r"LicenseRef-[A-Za-z0-9.-]+", p.get("licenseDeclared", "")):
            if ref not in defined:
                faults.append("%s: %s has no text in hasExtractedLicensingInfos" % (p.get("name"), ref))
    packages = {p.get("name"): p for p in doc.get("packages", [])}
    for name, (debs, _) in COMPONENTS.items():
        p = packages.get(name)
        if p is None:
            faults.append("the SBOM lacks the component %s" % name)
            continue
        refs = {r.get("referenceLocator") for r in p.get("externalRefs", [])}
        for deb in debs:
            purl = "pkg:deb/debian/%s@%s" % (deb, dpkg_version(deb))
            if purl not in refs:
                faults.append("%s: no reference %s" % (name, purl))
        if not p.get("versionInfo") or dpkg_version(debs[0]) not in p["versionInfo"]:
            faults.append("%s: version %r, the build machine has %s"
                          % (name, p.get("versionInfo"), dpkg_version(debs[0])))
        if not p.get("licenseDeclared") or p["licenseDeclared"] == "NOASSERTION":
            faults.append("%s: no licence declared" % name)


def check_notices(notices, faults):
    with open(notices, encoding="utf-8") as f:
        text = f.read()
    for name, (debs, sentences) in COMPONENTS.items():
        at = text.find("\n%s\n" % name)
        if at < 0:
            faults.append("no section for %s" % name)
            continue
        end = text.find("\n" + "=" * 72, at)
        section = text[at:end if end >= 0 else len(text)]
        for deb in debs:
            if "%s %s" % (deb, dpkg_version(deb)) not in section:
                faults.append("%s: no line '%s %s'" % (name, deb, dpkg_version(deb)))
        for sentence in sentences:
            if sentence not in section:
                faults.append("%s: its licence text lacks %r" % (name, sentence))


def main(argv):
    faults = []
    if len(argv) == 5 and argv[1] == "stripped":
        check_stripped(argv[2], argv[3], argv[4], faults)
    elif len(argv) == 3 and argv[1] == "sums":
        check_sums(argv[2], faults)
    elif len(argv) == 4 and argv[1] == "sbom":
        check_sbom(argv[2], argv[3], faults)
    elif len(argv) == 3 and argv[1] == "notices":
        check_notices(argv[2], faults)
    else:
        print(__doc__, file=sys.stderr)
        return 2
    for fault in faults:
        print("%s: %s" % (argv[2], fault))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
