#!/usr/bin/env python3
"""Saved scans and comparisons through the real varnelscan.

Round trip: for every NTFS fixture image (natively) and a generated folder
tree (under Wine), `--save` then `--open` must print the summary, CSV and JSON of the
original scan byte for byte, elapsed time aside. Change: under Wine, a tree is
saved, changed on disk in known ways, and `--compare --format csv` must give
each folder's change exactly as an os.walk of the two states does.

usage: varnelscan_saved_scans.py FIXTURE_DIR VARNELSCAN [WINE]
"""

import csv
import io
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
fixture_dir, exe, *emulator = sys.argv[1:]
as_argument = (lambda path: "Z:" + path.replace("/", "\\")) if emulator else (lambda path: path)


def run(*args):
    return subprocess.run([*emulator, exe, *args], capture_output=True, timeout=300)


def without_elapsed(output):
    return re.sub(rb'("elapsedMs": |elapsed_ms: )-?\d+', rb"\1-", output)


def round_trip(failures, source, scratch, name):
    """source: the scan's arguments (an --image or a folder)."""
    saved = os.path.join(scratch, name + ".vscan")
    for fmt in ("summary", "csv", "json"):
        scan = run(*source, "--top", "5", "--format", fmt, "--save", as_argument(saved))
        opened = run("--open", as_argument(saved), "--top", "5", "--format", fmt)
        if scan.returncode != 0 or opened.returncode != 0:
            failures.append(f"{name} {fmt}: exit {scan.returncode}/{opened.returncode} {opened.stderr[-200:]!r}")
        elif without_elapsed(scan.stdout) != without_elapsed(opened.stdout):
            failures.append(f"{name} {fmt}: --open prints other bytes than the scan")
    return os.path.getsize(saved)


def folder_totals(root):
    """Relative folder path -> total size, by an independent walk."""
    totals = {}
    for folder, dirs, files in os.walk(root, topdown=False):
        total = sum(os.path.getsize(os.path.join(folder, f)) for f in files)
        total += sum(totals[os.path.relpath(os.path.join(folder, d), root)] for d in dirs)
        totals[os.path.relpath(folder, root)] = total
    return totals


def change_test(failures, scratch):
    root = os.path.join(scratch, "changing")
    subprocess.run([sys.executable, os.path.join(HERE, "..", "..", "bench", "make_folder_tree.py"), root, "300"],
                   check=True, capture_output=True)
    for name in ("stays", "grows", "goes", "caf\u00e9, \u65e5\u672c"):
        os.makedirs(os.path.join(root, name, "inner"))
        with open(os.path.join(root, name, "inner", "a.bin"), "wb") as f:
            f.write(b"a" * 1000)
    before = folder_totals(root)
    saved = os.path.join(scratch, "before.vscan")
    if run("--save", as_argument(saved), as_argument(root)).returncode != 0:
        failures.append("change: the first scan failed")
        return
    with open(os.path.join(root, "grows", "inner", "a.bin"), "ab") as f:
        f.write(b"b" * 4321)
    with open(os.path.join(root, "caf\u00e9, \u65e5\u672c", "new.bin"), "wb") as f:
        f.write(b"n" * 77)
    shutil.rmtree(os.path.join(root, "goes"))
    os.makedirs(os.path.join(root, "grows", "fresh"))
    with open(os.path.join(root, "grows", "fresh", "f.bin"), "wb") as f:
        f.write(b"f" * 55)
    after = folder_totals(root)

    compared = run("--compare", as_argument(saved), "--format", "csv", as_argument(root))
    prefix = as_argument(root)
    actual = {}
    for row in csv.DictReader(io.StringIO(compared.stdout.decode("utf-8"), newline="")):
        relative = os.path.relpath(row["path"][len(prefix):].replace("\\", "/").lstrip("/") or ".")
        actual[relative] = (row["status"], int(row["change"]))
    expected = {}
    for path in set(before) | set(after):
        change = after.get(path, 0) - before.get(path, 0)
        status = ("gone" if path not in after else "new" if path not in before else
                  "grew" if change > 0 else "shrank" if change < 0 else "same")
        expected[path] = (status, change)
    if compared.returncode != 0 or actual != expected:
        wrong = sorted(p for p in set(actual) | set(expected) if actual.get(p) != expected.get(p))[:5]
        failures.append(f"change: exit {compared.returncode}; " +
                        ", ".join(f"{p}: {actual.get(p)} not {expected.get(p)}" for p in wrong))

    damaged = os.path.join(scratch, "damaged.vscan")
    with open(saved, "rb") as f, open(damaged, "wb") as g:
        g.write(f.read()[:-10])
    cut = run("--compare", as_argument(damaged), as_argument(root))
    if cut.returncode != 1 or b"incomplete" not in cut.stderr or cut.stdout:
        failures.append(f"a cut saved scan: exit {cut.returncode} {cut.stderr!r}")


def main():
    failures = []
    with tempfile.TemporaryDirectory(prefix="varnelscan-saved-") as scratch:
        # Every image natively; under Wine (seconds per start) the golden
        # check already shows the Windows build prints the same bytes.
        images = sorted(os.path.join(fixture_dir, n) for n in os.listdir(fixture_dir)
                        if n.endswith(".img") and not emulator)
        for image in images:
            size = round_trip(failures, ["--image", as_argument(image)], scratch, os.path.basename(image))
            print(f"{os.path.basename(image)}: {size} bytes saved")
        if emulator:
            tree = os.path.join(scratch, "tree")
            subprocess.run([sys.executable, os.path.join(HERE, "..", "..", "bench", "make_folder_tree.py"), tree,
                            "2000"], check=True, capture_output=True)
            round_trip(failures, ["--engine", "walk", as_argument(tree)], scratch, "tree")
            change_test(failures, scratch)
    for failure in failures:
        print("FAIL:", failure)
    print(f"varnelscan saved scans: {len(failures)} failure(s)")
    return 1 if failures else 0


sys.exit(main())
