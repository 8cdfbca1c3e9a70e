#!/usr/bin/env python3
"""Checks that the libraries only point down.

Every source file belongs to the library of its folder (src/NAME is
varnel_NAME, tools/varnelscan is varnelscan). A file may include headers only
from its own library and from the libraries below it in LAYERS, and a
library's CMakeLists.txt may link only those. Prints every offending include
or link and exits 1; exits 0 when the layering holds.
"""
import pathlib
import re
import sys

# Each library with the libraries it may use directly; what those may use,
# it may use too.
LAYERS = {
    "base": [],
    "version": [],
    "platform": ["base"],
    "model": ["base"],
    "settings": ["platform"],
    "directory": ["model", "platform"],
    "ntfs": ["model", "platform"],
    "scan": ["directory", "ntfs", "settings"],
    "report": ["model"],
    "i18n": ["model", "platform"],
    "ui": ["scan", "report", "i18n", "version"],
    "app": ["ui"],
    "varnelscan": ["scan", "report", "version"],
}
TARGETS = {f"varnel_{name}": name for name in LAYERS}
TARGETS["varnelscan_lib"] = "varnelscan"
TARGETS["varnelscan"] = "varnelscan"
TARGETS["varnel"] = "app"

ROOT = pathlib.Path(__file__).resolve().parent.parent
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
LINK = re.compile(r"target_link_libraries\(\s*(\S+)([^)]*)\)", re.S)


def below(name, seen=None):
    """Every library `name` may use, itself included."""
    seen = set() if seen is None else seen
    if name not in seen:
        seen.add(name)
        for lower in LAYERS[name]:
            below(lower, seen)
    return seen


def library_of(path):
    parts = path.relative_to(ROOT).parts
    if parts[0] == "src" and parts[1] in LAYERS:
        return parts[1]
    if parts[:2] == ("tools", "varnelscan"):
        return "varnelscan"
    return None


def check_acyclic(problems):
    state = {}

    def visit(name, trail):
        if state.get(name) == "done":
            return
        if state.get(name) == "open":
            problems.append("cycle in LAYERS: " + " -> ".join(trail + [name]))
            return
        state[name] = "open"
        for lower in LAYERS[name]:
            visit(lower, trail + [name])
        state[name] = "done"

    for name in LAYERS:
        visit(name, [])


def check_includes(problems):
    for path in sorted(list((ROOT / "src").rglob("*")) + list((ROOT / "tools").rglob("*"))):
        if path.suffix not in (".h", ".cpp", ".in") or not path.is_file():
            continue
        owner = library_of(path)
        if owner is None:
            continue
        allowed = below(owner)
        for header in INCLUDE.findall(path.read_text(encoding="utf-8")):
            first = header.split("/")[0]
            if "/" not in header:
                target = owner  # a header beside the file
            elif first in LAYERS:
                target = first
            else:
                problems.append(f"{path.relative_to(ROOT)}: includes \"{header}\" from outside src/")
                continue
            if target not in allowed:
                problems.append(f"{path.relative_to(ROOT)}: {owner} includes \"{header}\" from {target}, above it")


def check_links(problems):
    for cmake in sorted(list((ROOT / "src").rglob("CMakeLists.txt")) + list((ROOT / "tools").rglob("CMakeLists.txt"))):
        for target, rest in LINK.findall(cmake.read_text(encoding="utf-8")):
            owner = TARGETS.get(target)
            if owner is None:
                continue
            for word in rest.split():
                used = TARGETS.get(word)
                if used is not None and used not in below(owner):
                    problems.append(f"{cmake.relative_to(ROOT)}: {target} links {word}, above it")


def main():
    problems = []
    check_acyclic(problems)
    check_includes(problems)
    check_links(problems)
    for problem in problems:
        print(problem)
    if problems:
        print(f"check_layers: {len(problems)} problem(s)")
        return 1
    print("check_layers: every include and link points down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
