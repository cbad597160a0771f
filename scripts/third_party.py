#!/usr/bin/env python3
"""What the release owes to the code linked into its binaries, from the
build machine itself: the Debian packages that hold the static libraries,
their versions (dpkg-query) and their licence texts (/usr/share/doc/PKG/copyright).

    third_party.py notices OUT_FILE
        THIRD-PARTY-NOTICES: each statically linked component, its version
        as built and its licence text.
    third_party.py sbom TREE NAME VERSION OUT_FILE
        An SPDX 2.3 JSON document: the release, the components it links and
        every file under TREE with its SHA-256 and SHA-1.

Nothing here is typed in but the list below (component, licence, packages);
a package that is missing or a licence paragraph that cannot be found stops
the script.
"""
import hashlib
import json
import os
import re
import subprocess
import sys
import time

# component, SPDX licence expression, the packages whose static libraries
# the binaries link (both widths), how to find its licence text.
COMPONENTS = [
    {
        "name": "zlib",
        "license": "Zlib",
        "packages": ["libz-mingw-w64-dev"],
        "text": ("dep5", ["*"]),
    },
    {
        "name": "mingw-w64 runtime",
        "license": "ZPL-2.1 AND LicenseRef-mingw-w64-runtime-parts",
        "packages": ["mingw-w64-i686-dev", "mingw-w64-x86-64-dev"],
        "text": ("dep5", ["*", "mingw-w64-crt/"]),
    },
    {
        "name": "winpthreads",
        "license": "MIT AND BSD-3-Clause",
        "packages": ["mingw-w64-i686-dev", "mingw-w64-x86-64-dev"],
        "text": ("dep5", ["mingw-w64-libraries/winpthreads/"]),
    },
    {
        "name": "GCC runtime libraries (libgcc, libstdc++)",
        "license": "GPL-3.0-or-later WITH GCC-exception-3.1",
        "packages": ["gcc-mingw-w64-i686-posix", "g++-mingw-w64-i686-posix",
                     "gcc-mingw-w64-x86-64-posix", "g++-mingw-w64-x86-64-posix"],
        "text": ("gcc-exception", None),
    },
]


def fail(message):
    print("third_party: %s" % message, file=sys.stderr)
    sys.exit(1)


def package_version(package):
    try:
        out = subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], check=True,
                             capture_output=True, text=True).stdout
    except (OSError, subprocess.CalledProcessError) as e:
        fail("no version for package %s: %s" % (package, e))
    if not out:
        fail("package %s is not installed" % package)
    return out


def versions(component):
    """{package: version}; one version when the packages agree."""
    return {p: package_version(p) for p in component["packages"]}


def copyright_file(package):
    path = "/usr/share/doc/%s/copyright" % package
    try:
        with open(path, encoding="utf-8") as f:
            return f.read()
    except OSError as e:
        fail("cannot read %s: %s" % (path, e))


def dep5_paragraphs(text):
    """Paragraphs of a machine-readable copyright file as {field: value}."""
    paragraphs = []
    for block in re.split(r"\n\s*\n", text):
        fields, key = {}, None
        for line in block.split("\n"):
            if line[:1] in (" ", "\t") and key:
                fields[key] += "\n" + line
            elif ":" in line:
                key, value = line.split(":", 1)
                fields[key] = value.strip()
        if fields:
            paragraphs.append(fields)
    return paragraphs


def unfold(value):
    """A field's continuation lines as text: ' .' is an empty line."""
    lines = []
    for line in value.split("\n")[1:]:
        line = line[1:] if line[:1] in (" ", "\t") else line
        lines.append("" if line.strip() == "." else line)
    return "\n".join(lines).rstrip()


def dep5_text(package, prefixes):
    """The Files paragraphs whose patterns are '*' or start with one of the
    prefixes, with their copyright lines and licence texts (inline, or the
    file's stand-alone License paragraph of that name)."""
    paragraphs = dep5_paragraphs(copyright_file(package))
    standalone = {p["License"].split("\n")[0].strip(): unfold(p["License"])
                  for p in paragraphs if "Files" not in p and "License" in p}
    parts, licences = [], []
    for p in paragraphs:
        if "Files" not in p:
            continue
        patterns = p["Files"].split()
        wanted = any(pat == "*" if prefix == "*" else pat.startswith(prefix)
                     for pat in patterns for prefix in prefixes)
        # Tests and the profiling start-up code are not linked.
        if not wanted or "tests" in p["Files"] or all("/profile/" in pat for pat in patterns):
            continue
        name = p.get("License", "").split("\n")[0].strip()
        inline = unfold(p.get("License", ""))
        # "A and B": each has its own stand-alone paragraph.
        for part in [name] if inline else re.split(r"\s+(?:and|or)\s+", name):
            body = inline or standalone.get(part)
            if not body:
                fail("%s: no licence text for %s (%s)" % (package, part, patterns[0]))
            if (part, body) not in licences:
                licences.append((part, body))
        parts.append("Files: %s\nCopyright: %s\nLicense: %s"
                     % (" ".join(patterns), " ".join(p.get("Copyright", "").split()), name))
    if not parts:
        fail("%s: no paragraph for %s" % (package, prefixes))
    return "\n\n".join(parts) + "\n\n" + "\n\n".join(
        "License %s:\n\n%s" % (name, body) for name, body in licences)


def gcc_exception_text(package):
    """The runtime libraries' licence statement and the exception's text."""
    text = copyright_file(package)
    intro = re.search(r"The following runtime libraries are licensed.*?\n\n", text, re.S)
    body = re.search(r"^GCC RUNTIME LIBRARY EXCEPTION\n.*?requirements of the license of GCC\.\n",
                     text, re.S | re.M)
    if not intro or not body:
        fail("%s: no GCC Runtime Library Exception in its copyright file" % package)
    return intro.group(0) + "(libgcc and libstdc++-v3 are among them.)\n\n" + body.group(0).rstrip()


def licence_text(component):
    kind, arg = component["text"]
    first = component["packages"][0]
    return dep5_text(first, arg) if kind == "dep5" else gcc_exception_text(first)


def write_notices(out):
    rule = "=" * 72
    chunks = ["Third-party notices\n\n"
              "The binaries of this release (bin/langpack.exe, tools/lppack.exe, "
              "bin/drvbridge.dll,\nx64/drvbridge.dll) contain the following components, "
              "linked statically\n(zlib only in langpack.exe and lppack.exe). Versions are "
              "those of the Debian\npackages the release was built with.\n"]
    for c in COMPONENTS:
        vs = versions(c)
        lines = "\n".join("  %s %s" % (p, v) for p, v in vs.items())
        chunks.append("%s\n%s\nLicence: %s\nBuilt from:\n%s\n\n%s\n"
                      % (rule, c["name"], c["license"], lines, licence_text(c)))
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(chunks))


def digest(path, algorithm):
    h = hashlib.new(algorithm)
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 16), b""):
            h.update(block)
    return h.hexdigest()


def spdx_id(text):
    return re.sub(r"[^A-Za-z0-9.-]", "-", text)


def write_sbom(tree, name, version, out):
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "0"))
    files = sorted(os.path.relpath(os.path.join(d, f), tree)
                   for d, _, fs in os.walk(tree) for f in fs)
    if not files:
        fail("no files under %s" % tree)
    release_id = "SPDXRef-Package-" + spdx_id(name)
    doc = {
        "spdxVersion": "SPDX-2.3",
        "dataLicense": "CC0-1.0",
        "SPDXID": "SPDXRef-DOCUMENT",
        "name": name,
        "creationInfo": {
            "created": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(epoch)),
            "creators": ["Tool: scripts/third_party.py", "Organization: KAVEN"],
        },
        "packages": [{
            "name": name,
            "SPDXID": release_id,
            "versionInfo": version,
            "supplier": "Organization: KAVEN",
            "downloadLocation": "NOASSERTION",
            "filesAnalyzed": False,
            "licenseConcluded": "NOASSERTION",
            "licenseDeclared": "MIT",
            "copyrightText": "NOASSERTION",
        }],
        "files": [],
        "relationships": [{"spdxElementId": "SPDXRef-DOCUMENT",
                           "relationshipType": "DESCRIBES",
                           "relatedSpdxElement": release_id}],
    }
    for c in COMPONENTS:
        cid = "SPDXRef-Package-" + spdx_id(c["name"])
        vs = versions(c)
        doc["packages"].append({
            "name": c["name"],
            "SPDXID": cid,
            "versionInfo": sorted(set(vs.values()))[0] if len(set(vs.values())) == 1
            else " ".join("%s=%s" % pv for pv in vs.items()),
            "supplier": "Organization: Debian",
            "downloadLocation": "NOASSERTION",
            "filesAnalyzed": False,
            "licenseConcluded": "NOASSERTION",
            "licenseDeclared": c["license"],
            "copyrightText": "NOASSERTION",
            "externalRefs": [{"referenceCategory": "PACKAGE-MANAGER", "referenceType": "purl",
                              "referenceLocator": "pkg:deb/debian/%s@%s" % (p, v)}
                             for p, v in vs.items()],
        })
        doc["relationships"].append({"spdxElementId": release_id,
                                     "relationshipType": "STATIC_LINK",
                                     "relatedSpdxElement": cid})
        # A licence outside the SPDX list is defined in the document itself.
        for ref in re.findall(r"LicenseRef-[A-Za-z0-9.-]+", c["license"]):
            doc.setdefault("hasExtractedLicensingInfos", []).append(
                {"licenseId": ref, "name": c["name"], "extractedText": licence_text(c)})
    for i, rel in enumerate(files):
        path = os.path.join(tree, rel)
        fid = "SPDXRef-File-%d" % (i + 1)
        doc["files"].append({
            "fileName": "./" + rel.replace(os.sep, "/"),
            "SPDXID": fid,
            "checksums": [{"algorithm": "SHA256", "checksumValue": digest(path, "sha256")},
                          {"algorithm": "SHA1", "checksumValue": digest(path, "sha1")}],
            "licenseConcluded": "NOASSERTION",
            "copyrightText": "NOASSERTION",
        })
        doc["relationships"].append({"spdxElementId": release_id,
                                     "relationshipType": "CONTAINS",
                                     "relatedSpdxElement": fid})
    # A namespace unique to these contents, the same for the same release.
    content = hashlib.sha256(json.dumps(doc, sort_keys=True).encode()).hexdigest()
    doc["documentNamespace"] = "https://spdx.org/spdxdocs/%s-%s" % (name, content)
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        json.dump(doc, f, indent=2, sort_keys=True)
        f.write("\n")


def main(argv):
    if len(argv) == 3 and argv[1] == "notices":
        write_notices(argv[2])
    elif len(argv) == 6 and argv[1] == "sbom":
        write_sbom(argv[2], argv[3], argv[4], argv[5])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
