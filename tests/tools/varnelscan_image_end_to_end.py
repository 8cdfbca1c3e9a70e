#!/usr/bin/env python3
"""Compares varnelscan --image with The Sleuth Kit node by node: every name,
its kind, size and bytes on disk, every folder's totals and counts (summed
from the TSK listing), and that each node's path is its parent's path plus
its name. A file with several names has its bytes on disk under one of them.

usage: varnelscan_image_end_to_end.py FIXTURE_DIR VARNELSCAN [EMULATOR...]
           every NAME.img against NAME.expected (written when the fixture was
           made, so no TSK is needed here), then an image that is not NTFS
       varnelscan_image_end_to_end.py --image IMAGE VARNELSCAN
           one image (the benchmark images) against TSK run now
With an emulator (Wine), paths are handed over as Z:\\... paths.
"""

import collections
import csv
import io
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures"))
import expected_listing  # noqa: E402

SHOWN = 5  # differences shown per kind of fault


def scan(exe, emulator, image, threads):
    done = subprocess.run([*emulator, exe, "--image", image, "--threads", threads, "--format", "csv"],
                          capture_output=True, timeout=1800)
    if done.returncode != 0:
        return None, f"exit {done.returncode} {done.stderr[-300:]!r}"
    rows = [row for row in csv.DictReader(io.StringIO(done.stdout.decode("utf-8"), newline=""))
            if row["kind"] == "node"]
    return rows, None


def one_name_each(lines, on_disk_of):
    """The listing's lines as KIND, SIZE, ON_DISK, PATH, with a file's bytes
    on disk under one of its names: the first the scan gave them to (any
    other that has them too then differs), else the first by path."""
    fields = [line.split("\t", 4) for line in lines]
    names = collections.defaultdict(list)
    for kind, _, _, record, path in sorted(fields, key=lambda f: f[4]):
        if kind == "F":
            names[record].append(path)
    carrier = {record: next((p for p in paths if on_disk_of.get(p, "0") != "0"), paths[0])
               for record, paths in names.items()}
    return [f"{kind}\t{size}\t{on_disk if kind == 'F' and carrier[record] == path else 0}\t{path}"
            for kind, size, on_disk, record, path in fields]


def expected_totals(lines):
    """{folder path: (total_size, direct_files_size, file_count, folder_count,
    total_size_on_disk)} from "KIND<TAB>SIZE<TAB>ON_DISK<TAB>PATH" lines; the
    root is ""."""
    totals = collections.defaultdict(lambda: [0, 0, 0, 0, 0])
    for line in lines:
        kind, size, on_disk, path = line.split("\t", 3)
        if kind != "F":
            totals[path]
        ancestors = path.split("\\")[:-1]
        for depth in range(len(ancestors) + 1):
            folder = totals["\\".join(ancestors[:depth])]
            if kind == "F":
                folder[0] += int(size)
                folder[2] += 1
                folder[4] += int(on_disk)
            else:
                folder[3] += 1
        if kind == "F":
            totals["\\".join(ancestors)][1] += int(size)
    return {path: tuple(values) for path, values in totals.items()}


def compare(rows, root, lines):
    """Faults of the scan's rows against the expected listing, as sentences."""
    faults = collections.defaultdict(list)
    by_index = {row["index"]: row for row in rows}
    roots = [row for row in rows if row["parent"] == ""]
    if len(roots) != 1 or roots[0]["path"] != root:
        faults["root"].append(f"roots {[r['path'] for r in roots]}")
    actual = collections.Counter()
    actual_totals = {}
    on_disk_of = {}
    for row in rows:
        parent = by_index.get(row["parent"])
        if row["parent"] and (parent is None or parent["folder"] != "1"):
            faults["parent"].append(f"{row['path']}: parent {row['parent']} is not a folder")
        elif parent is not None and row["path"] != parent["path"] + "\\" + row["name"]:
            faults["path"].append(f"{row['path']} is not {parent['path']!r} + {row['name']!r}")
        relative = row["path"][len(root) + 1:] if row["parent"] else ""
        if row["folder"] == "1":
            actual_totals[relative] = tuple(int(row[k]) for k in (
                "total_size", "direct_files_size", "file_count", "folder_count", "size_on_disk"))
        if row["parent"]:
            kind = "F" if row["folder"] != "1" else "R" if row["reparse"] == "1" else "D"
            on_disk = row["size_on_disk"] if kind == "F" else "0"
            on_disk_of[relative] = on_disk
            actual[f"{kind}\t{row['size']}\t{on_disk}\t{relative}"] += 1
    lines = one_name_each(lines, on_disk_of)
    expected = collections.Counter(lines)
    faults["missing"] = sorted((expected - actual).elements())
    faults["extra"] = sorted((actual - expected).elements())
    names = ("total_size", "direct_files_size", "file_count", "folder_count", "total_size_on_disk")
    for path, want in sorted(expected_totals(lines).items()):
        got = actual_totals.get(path)
        if got is not None and got != want:
            wrong = ", ".join(f"{n} {g} not {w}" for n, g, w in zip(names, got, want) if g != w)
            faults["totals"].append(f"{path or '(root)'}: {wrong}")
    return {kind: found for kind, found in faults.items() if found}


def describe(faults):
    return "; ".join(f"{len(found)} {kind}: {found[:SHOWN]}" for kind, found in faults.items())


def check_fixtures(fixture_dir, exe, emulator):
    native = (lambda path: "Z:" + path.replace("/", "\\")) if emulator else (lambda path: path)
    failures = []
    images = sorted(name[:-len(".expected")] for name in os.listdir(fixture_dir) if name.endswith(".expected"))
    for name in images:
        with open(os.path.join(fixture_dir, name + ".expected"), encoding="utf-8") as f:
            lines = f.read().splitlines()
        image = native(os.path.join(fixture_dir, name + ".img"))
        before = len(failures)
        for threads in ("0", "3"):
            rows, error = scan(exe, emulator, image, threads)
            faults = compare(rows, image, lines) if rows is not None else {"scan": [error]}
            if faults:
                failures.append(f"{name} (threads {threads}): {describe(faults)}")
        print(f"{name}: {len(lines)} names", "match" if len(failures) == before else "DIFFER")

    # A scan that cannot run ends with exit code 1 and says so; which
    # images fail with which message is the engine's own test.
    with tempfile.TemporaryDirectory(prefix="varnelscan-image-") as folder:
        with open(os.path.join(folder, "zeros.img"), "wb") as f:
            f.write(bytes(65536))
        done = subprocess.run([*emulator, exe, "--image", native(f.name)], capture_output=True, timeout=240)
        if done.returncode != 1 or b"not an NTFS volume" not in done.stderr or b"status: Failed" not in done.stdout:
            failures.append(f"zeros.img: exit {done.returncode}, {done.stderr!r}")
    for failure in failures:
        print("FAIL:", failure)
    print(f"varnelscan --image on {len(images)} images: {len(failures)} failure(s)")
    return not failures


def check_image(image, exe):
    start = time.monotonic()
    rows, error = scan(exe, [], image, "0")
    if rows is None:
        print("FAIL:", error)
        return False
    scanned = time.monotonic()
    root = next(row["path"] for row in rows if row["parent"] == "")
    candidates = [row["path"][len(root) + 1:].replace("\\", "/") for row in rows if row["parent"]]
    lines = expected_listing.listing_lines(expected_listing.SleuthKitListing(image).entries(candidates))
    faults = compare(rows, root, lines)
    files = sum(1 for line in lines if line.startswith("F"))
    total = sum(int(line.split("\t")[1]) for line in lines if line.startswith("F"))
    on_disk = sum({line.split("\t")[3]: int(line.split("\t")[2]) for line in lines if line.startswith("F")}.values())
    print(f"{image}: varnelscan {len(rows)} nodes in {scanned - start:.1f} s; The Sleuth Kit {len(lines)} names "
          f"({files} files, {len(lines) - files} folders, {total} bytes, {on_disk} on disk) in "
          f"{time.monotonic() - scanned:.1f} s")
    for kind, found in faults.items():
        print(f"FAIL: {len(found)} {kind}", *found[:20], sep="\n  ")
    print("match" if not faults else "DIFFER")
    return not faults


if __name__ == "__main__":
    if sys.argv[1] == "--image":
        ok = check_image(sys.argv[2], sys.argv[3])
    else:
        ok = check_fixtures(sys.argv[1], sys.argv[2], sys.argv[3:])
    sys.exit(0 if ok else 1)
