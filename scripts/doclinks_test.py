#!/usr/bin/env python3
"""doclinks.py against small trees: each case is a page, the files beside it
and the dangling names the check must report (none: it must pass)."""

import os
import subprocess
import sys
import tempfile

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "doclinks.py")

# (what, README.md text, other files in the tree, names that must be reported)
CASES = [
    ("links and paths that exist",
     "See [the guide](docs/guide.md#two-words), `bin/app.exe` and `lib/`.\n",
     {"docs/guide.md": "# Guide\n\n## Two words\n", "bin/app.exe": "", "lib/x.a": ""}, []),
    ("a link to a missing page",
     "See [the guide](docs/missing.md).\n", {}, ["docs/missing.md"]),
    ("a link to a missing heading",
     "See [it](docs/guide.md#nowhere).\n", {"docs/guide.md": "# Guide\n"}, ["#nowhere"]),
    ("a link out of the tree",
     "See [it](../outside.md).\n", {}, ["../outside.md"]),
    ("a backticked path that is not there",
     "Run `scripts/demo.sh` first.\n", {}, ["scripts/demo.sh"]),
    ("a backticked page or definition that is not there",
     "Read `performance.md` and `drvbridge.def`.\n", {}, ["performance.md", "drvbridge.def"]),
    ("named as the repository's",
     "The repository's `scripts/demo.sh` and\n`performance.md` are not shipped.\n", {}, []),
    ("the exemption is per paragraph",
     "In the repository: `scripts/a.sh`.\n\nBut `scripts/b.sh` here.\n", {}, ["scripts/b.sh"]),
    ("code blocks are not read",
     "Text.\n\n    cmake --toolchain cmake/toolchain.cmake\n\n```sh\nbash scripts/x.sh\n```\n", {},
     []),
    ("web links and names outside the known folders",
     "[site](https://example.com/a.md), `C:\\Zelt\\x.md`, `app/main.c`, `KWT5D1xx.DLL`.\n",
     {}, []),
    ("a C block that is part of an example",
     "Its function:\n\n```c\nint f(void) {\n    return 1;\n}\n```\n",
     {"examples/a.c": "#include <x.h>\nint f(void) {\n    return 1;\n}\nint g;\n"}, []),
    ("a C block that no example holds",
     "```c\nint f(void) {\n    return 2;\n}\n```\n",
     {"examples/a.c": "int f(void) {\n    return 1;\n}\n"}, ["C block 'int f(void) {"]),
    ("pages under docs/ are read too",
     "Top.\n", {"docs/a.md": "See `examples/missing.c`.\n"}, ["examples/missing.c"]),
]


def run_case(what, readme, files, expected):
    with tempfile.TemporaryDirectory() as tree:
        with open(os.path.join(tree, "README.md"), "w", encoding="utf-8") as f:
            f.write(readme)
        for name, text in files.items():
            os.makedirs(os.path.join(tree, os.path.dirname(name)), exist_ok=True)
            with open(os.path.join(tree, name), "w", encoding="utf-8") as f:
                f.write(text)
        run = subprocess.run([sys.executable, CHECK, tree], capture_output=True, text=True)
    reported = [line for line in run.stdout.splitlines() if "tree does not hold" in line
                or "does not have" in line or "is in no examples" in line]
    failures = []
    if run.returncode != (1 if expected else 0):
        failures.append("exit %d" % run.returncode)
    if len(reported) != len(expected):
        failures.append("%d names reported, %d expected" % (len(reported), len(expected)))
    for name in expected:
        if not any(name in line for line in reported):
            failures.append("%s not reported" % name)
    for f in failures:
        print("FAIL %s: %s\n%s" % (what, f, run.stdout + run.stderr))
    return not failures


def main():
    ok = [run_case(*case) for case in CASES]
    # A tree without pages is a mistake, not a pass.
    with tempfile.TemporaryDirectory() as tree:
        empty = subprocess.run([sys.executable, CHECK, tree], capture_output=True).returncode
    ok.append(empty == 1)
    if empty != 1:
        print("FAIL a tree without pages passed (exit %d)" % empty)
    print("doclinks_test: %d of %d cases passed" % (sum(ok), len(ok)))
    return 0 if all(ok) else 1


if __name__ == "__main__":
    sys.exit(main())
