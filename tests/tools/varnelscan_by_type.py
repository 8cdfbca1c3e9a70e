#!/usr/bin/env python3
"""varnelscan --by-type against an independent count over varnelscan --format
csv of the same scan: per extension (the name's part after its last dot,
lower-cased; none for names without one, with only a leading one or ending
in one) the files, their sizes and bytes on disk, sums stopping at 2^64-1,
rows largest first by the chosen measure. The NTFS fixture images and the
crafted saturating image, and under Wine a generated folder tree too; the
JSON and summary forms must list the same rows.

usage: varnelscan_by_type.py GOLDEN_DIR FIXTURE_DIR VARNELSCAN [EMULATOR...]
"""

import csv
import io
import json
import os
import subprocess
import sys
import tempfile

MAX = 2**64 - 1


def run(exe, emulator, args):
    done = subprocess.run([*emulator, exe, *args], capture_output=True, timeout=600)
    if done.returncode != 0:
        raise RuntimeError(f"{args}: exit {done.returncode} {done.stderr[-300:]!r}")
    return done.stdout.decode("utf-8")


def extension(name):
    dot = name.rfind(".")
    return "" if dot <= 0 or dot == len(name) - 1 else name[dot + 1:].lower()


def expected(nodes_csv, measure):
    counts = {}
    for row in csv.DictReader(io.StringIO(nodes_csv, newline="")):
        if row["kind"] != "node" or row["folder"] != "0":
            continue
        files, size, on_disk = counts.get(extension(row["name"]), (0, 0, 0))
        counts[extension(row["name"])] = (files + 1, min(size + int(row["size"]), MAX),
                                          min(on_disk + int(row["size_on_disk"]), MAX))
    key = 2 if measure == "logical" else 3
    return sorted(((e, *c) for e, c in counts.items()), key=lambda r: (-r[key], r[0]))


def check(exe, emulator, source, failures):
    nodes = run(exe, emulator, [*source, "--format", "csv"])
    for measure in ("logical", "disk"):
        want = expected(nodes, measure)
        rows = list(csv.DictReader(io.StringIO(run(exe, emulator, [*source, "--by-type", "--size", measure,
                                                                     "--format", "csv"]), newline="")))
        got = [(r["extension"], int(r["files"]), int(r["size"]), int(r["size_on_disk"])) for r in rows]
        doc = json.loads(run(exe, emulator, [*source, "--by-type", "--size", measure, "--format", "json"]))
        from_json = [(t["extension"], t["files"], t["size"], t["size_on_disk"]) for t in doc["types"]]
        summary = run(exe, emulator, [*source, "--by-type", "--size", measure])
        for what, rows_seen in (("csv", got), ("json", from_json)):
            if rows_seen != want:
                failures.append(f"{source[-1]} {measure} {what}: {rows_seen[:4]} != {want[:4]}")
        if f"types: {len(want)}\n" not in summary:
            failures.append(f"{source[-1]} {measure} summary: no 'types: {len(want)}' line")


def make_tree(root):
    """Names that test the rule: case, several dots, leading and trailing
    dots, Latin-1 and Cyrillic extensions, empty files, nested folders."""
    names = ["a.JPG", "b.jpg", "c.Jpg", ".profile", "README", "x.tar.GZ", "y.", "\u0414\u043e\u043a.\u0414\u041e\u041a",
             "\u00e9t\u00e9.\u00c9T\u00c9", "empty.txt", "notes.TXT", "lib.so.1", "setup.exe"]
    for depth in range(3):
        folder = os.path.join(root, *[f"level{d}" for d in range(depth + 1)])
        os.makedirs(folder)
        for i, name in enumerate(names):
            with open(os.path.join(folder, name), "wb") as out:
                out.write(b"x" * (0 if name.startswith("empty") else (i + 1) * 1000 * (depth + 1)))


def main():
    golden_dir, fixture_dir, exe, *emulator = sys.argv[1:]
    as_argument = (lambda path: "Z:" + path.replace("/", "\\")) if emulator else (lambda path: path)
    failures = []
    with tempfile.TemporaryDirectory(prefix="varnelscan-by-type-") as scratch:
        saturating = os.path.join(scratch, "saturating.img")
        subprocess.run(["zstd", "-d", "-q", "-f", os.path.join(golden_dir, "saturating.img.zst"), "-o", saturating],
                       check=True)
        # Every image natively; under Wine (seconds per program start) one
        # image and the crafted saturating one show the Windows build agrees.
        images = sorted(os.path.join(fixture_dir, n) for n in os.listdir(fixture_dir)
                        if n.endswith(".img") and (not emulator or n == "shapes.img"))
        sources = [["--image", as_argument(image)] for image in images + [saturating]]
        if emulator:
            make_tree(os.path.join(scratch, "tree"))
            sources.append([as_argument(os.path.join(scratch, "tree"))])
        for source in sources:
            check(exe, emulator, source, failures)
    for failure in failures:
        print("FAIL:", failure)
    print(f"varnelscan --by-type over {len(sources)} scans: {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
