#!/usr/bin/env python3
"""Checks that the pages of an unpacked release tree name only what it holds.

    doclinks.py TREE

Reads README.md, CHANGELOG.md and docs/*.md under TREE. Every Markdown link
to a local file must reach a file or folder of TREE (and a #heading of that
page, when it names one). Every path written in backticks that starts with
a top-level folder of the tree or of the repository (bin/, docs/, scripts/,
...) must exist in TREE, and so must every backticked page or definition
file (*.md, *.def), unless the paragraph says the file is the repository's.
Code blocks are not read for names; a ```c block must be, word for word, a
part of one of the tree's examples/*.c, so what a page shows is what was
built and run. Prints one line per problem; exit 1 if any.
"""

import os
import re
import sys

# Top-level folders of the release tree and of the source repository.
TOP_FOLDERS = {"bin", "lib", "x64", "tools", "include", "docs", "examples",
               "scripts", "cmake", "drvbridge", "langpack", "build", ".ci"}
BARE_EXTENSIONS = (".md", ".def")
LINK = re.compile(r"\[[^\]]*\]\(([^)\s]+)\)")
TICKED = re.compile(r"`([^`]+)`")
PATH = re.compile(r"^[A-Za-z0-9_.-]+(/[A-Za-z0-9_.-]*)+$")


def anchors(text):
    """The GitHub-style anchors of a page's headings."""
    found = set()
    for line in text.splitlines():
        m = re.match(r"^#+\s+(.*)$", line)
        if m:
            slug = re.sub(r"[^\w\- ]", "", m.group(1).strip().lower())
            found.add(slug.replace(" ", "-"))
    return found


def paragraphs(text):
    """Paragraphs outside code blocks; a list item or table row starts anew."""
    block, fenced = [], False
    for line in text.splitlines():
        if line.startswith("```"):
            fenced = not fenced
            continue
        indented = line.startswith("    ") and not block
        if fenced or indented:
            continue
        if not line.strip() or re.match(r"^\s*([-*] |\d+\. |\|)", line):
            if block:
                yield " ".join(block)
            block = [line] if line.strip() else []
            continue
        block.append(line)
    if block:
        yield " ".join(block)


def c_blocks(text):
    """The fenced ```c blocks of a page."""
    return re.findall(r"^```c\n(.*?)^```$", text, re.S | re.M)


def examples_text(tree):
    folder = os.path.join(tree, "examples")
    if not os.path.isdir(folder):
        return []
    texts = []
    for name in sorted(os.listdir(folder)):
        if name.endswith(".c"):
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                texts.append(f.read())
    return texts


def check_page(tree, page):
    """The dangling names of one page, each as 'page: reason'."""
    with open(os.path.join(tree, page), encoding="utf-8") as f:
        text = f.read()
    here = os.path.dirname(page)
    problems = []
    examples = examples_text(tree)
    for block in c_blocks(text):
        if not any(block in example for example in examples):
            first = block.strip().splitlines()[0] if block.strip() else ""
            problems.append("%s: C block '%s...' is in no examples/*.c" % (page, first[:40]))
    for para in paragraphs(text):
        for target in LINK.findall(para):
            if re.match(r"^[a-z]+:", target):
                continue
            path, _, anchor = target.partition("#")
            where = os.path.normpath(os.path.join(here, path)) if path else page
            full = os.path.join(tree, where)
            if where.startswith("..") or not os.path.exists(full):
                problems.append("%s: link to %s, which the tree does not hold" % (page, target))
            elif anchor and where.endswith(".md"):
                with open(full, encoding="utf-8") as f:
                    if anchor not in anchors(f.read()):
                        problems.append("%s: link to %s, a heading %s does not have"
                                        % (page, target, where))
        if "repository" in para:
            continue
        for name in TICKED.findall(para):
            name = name.strip()
            if PATH.match(name) and name.split("/")[0] in TOP_FOLDERS:
                if not os.path.exists(os.path.join(tree, name.rstrip("/"))):
                    problems.append("%s: names %s, which the tree does not hold" % (page, name))
            elif "/" not in name and re.match(r"^[\w.-]+$", name) and \
                    name.endswith(BARE_EXTENSIONS):
                if not any(name in files for _, _, files in os.walk(tree)):
                    problems.append("%s: names %s, which the tree does not hold" % (page, name))
    return problems


def main(argv):
    if len(argv) != 2 or not os.path.isdir(argv[1]):
        print("usage: doclinks.py TREE", file=sys.stderr)
        return 2
    tree = argv[1]
    pages = [p for p in ("README.md", "CHANGELOG.md") if os.path.isfile(os.path.join(tree, p))]
    docs = os.path.join(tree, "docs")
    if os.path.isdir(docs):
        pages += sorted("docs/" + p for p in os.listdir(docs) if p.endswith(".md"))
    if not pages:
        print("doclinks: %s holds no pages" % tree, file=sys.stderr)
        return 1
    problems = [p for page in pages for p in check_page(tree, page)]
    for p in problems:
        print("doclinks: " + p)
    print("doclinks: %d pages, %d problems" % (len(pages), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
