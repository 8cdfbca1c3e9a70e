#!/usr/bin/env python3
"""Runs the Windows varnelscan under Wine on a folder tree made here and
checks its CSV against an independent walk of the same tree with os.walk,
and its CSV and JSON (walk and native engine) against the golden files.
The tree is the same on every machine (a seeded generator, fixed
permissions, from which Wine derives the read-only attribute; Wine lists
folders sorted), and its location is replaced by "<root>" in the output.

usage: varnelscan_end_to_end.py [--update] WINE VARNELSCAN
"""

import csv
import json
import io
import re
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import varnelscan_golden  # noqa: E402

def without_bytes_on_disk(output):
    """Bytes on disk of a tree on the host depend on its file system (block
    size, inline data), so the tree goldens leave them out; the engine tests
    compare them between engines instead."""
    if output is None:
        return None
    output = re.sub(rb'"sizeOnDisk": \d+', b'"sizeOnDisk": -', output)
    return re.sub(rb'(?m)^((?:node|largest_file|largest_folder),.*,)\d+$', rb'\1-', output)


update = sys.argv[1] == "--update"
wine, exe = sys.argv[1 + update], sys.argv[2 + update]

NAMES = ["plain", "with space", "comma,name", "quote'single", "caf\u00e9", "\u65e5\u672c",
         "\U0001F4C1 emoji", "semi;colon",
         # plain Win32 paths would open "abc" for "abc." and fail on "sp "
         "abc.", "abc", "sp "]


def windows_path(unix_path):
    return "Z:" + unix_path.replace("/", "\\")


def run(*args):
    return subprocess.run([wine, exe, *args], capture_output=True, timeout=240)


def build_tree(root):
    sizes = [0, 1, 4095, 4096, 70000]
    for i, name in enumerate(NAMES):
        folder = os.path.join(root, name, "inner " + name)
        os.makedirs(folder)
        with open(os.path.join(root, name, name + ".bin"), "wb") as f:
            f.write(b"x" * sizes[i % len(sizes)])
        with open(os.path.join(folder, "deep.txt"), "wb") as f:
            f.write(b"y" * (i + 1))
    os.makedirs(os.path.join(root, "empty"))
    deep = os.path.join(root, *[letter * 100 for letter in "xyz"])  # past 260 characters
    os.makedirs(deep)
    with open(os.path.join(deep, "long.bin"), "wb") as f:
        f.write(b"z" * 11)
    with open(os.path.join(root, "top,level.dat"), "wb") as f:
        f.truncate(3 * 1024 * 1024)
    subprocess.run([sys.executable, os.path.join(HERE, "..", "..", "bench", "make_folder_tree.py"),
                    os.path.join(root, "bulk"), "400"], check=True, capture_output=True)
    for folder, _, files in os.walk(root):
        os.chmod(folder, 0o755)
        for name in files:
            os.chmod(os.path.join(folder, name), 0o644)


def expected_listing(root):
    """path -> (is_folder, size, total, file_count, folder_count)."""
    listing = {}
    for folder, dirs, files in os.walk(root, topdown=False):
        total = files_below = folders_below = 0
        for name in files:
            size = os.path.getsize(os.path.join(folder, name))
            listing[windows_path(os.path.join(folder, name))] = (False, size, size, 0, 0)
            total += size
            files_below += 1
        for name in dirs:
            _, _, sub_total, sub_files, sub_folders = listing[windows_path(os.path.join(folder, name))]
            total += sub_total
            files_below += sub_files
            folders_below += sub_folders + 1
        listing[windows_path(folder)] = (True, 0, total, files_below, folders_below)
    return listing


def main():
    failures = []
    with tempfile.TemporaryDirectory(prefix="varnelscan-e2e-") as scratch:
        root = os.path.join(scratch, "tree")  # the root's name shows in the output
        build_tree(root)
        completed = run("--engine", "walk", "--format", "csv", windows_path(root) + "\\")
        if completed.returncode != 0:
            failures.append(f"exit code {completed.returncode}: {completed.stderr!r}")
        rows = list(csv.DictReader(io.StringIO(completed.stdout.decode("utf-8"), newline="")))
        actual = {}
        for row in rows:
            if row["kind"] != "node":
                failures.append(f"unexpected row {row}")
                continue
            actual[row["path"]] = (row["folder"] == "1", int(row["size"]), int(row["total_size"]),
                                   int(row["file_count"]), int(row["folder_count"]))
        expected = expected_listing(root)
        for path in sorted(set(expected) | set(actual)):
            if expected.get(path) != actual.get(path):
                failures.append(f"{path!r}: expected {expected.get(path)}, got {actual.get(path)}")

        for engine, threads in (("walk", "0"), ("ntquery", "1")):  # more workers list in another order
            for fmt in ("csv", "json"):
                output, error = varnelscan_golden.run(exe, [wine], ["--engine", engine, "--threads", threads, "--top",
                                                                   "30", "--format", fmt, windows_path(root)],
                                                      windows_path(root))
                golden = os.path.join(HERE, "..", "golden", f"tree-{engine}.{fmt}.zst")
                error = error or varnelscan_golden.compare(golden, without_bytes_on_disk(output), update)
                if error:
                    failures.append(f"golden tree-{engine}.{fmt}: {error}")

        for engine, threads in (("ntquery", "8"), ("auto", "2")):  # ntquery at 1 worker has its golden
            other = run("--engine", engine, "--threads", threads, "--format", "csv", windows_path(root))
            other_rows = list(csv.DictReader(io.StringIO(other.stdout.decode("utf-8"), newline="")))
            facts = {r["path"]: (r["folder"], r["size"], r["total_size"], r["file_count"], r["folder_count"])
                     for r in other_rows}
            walk_facts = {r["path"]: (r["folder"], r["size"], r["total_size"], r["file_count"],
                                      r["folder_count"]) for r in rows}
            if other.returncode != 0 or facts != walk_facts:
                failures.append(f"--engine {engine} --threads {threads} disagrees with the walk engine")

        # Several paths are merged under one synthetic root, in the order given.
        first, second = windows_path(os.path.join(root, "plain")), windows_path(os.path.join(root, "empty"))
        merged = run("--format", "json", first, second)
        document = json.loads(merged.stdout.decode("utf-8"))
        nodes = document["nodes"]
        if (merged.returncode != 0 or document["rootPath"] != "All local drives" or nodes[0]["parentIndex"] is not None
                or [nodes[i]["path"] for i, n in enumerate(nodes) if n["parentIndex"] == 0] != [first, second]
                or nodes[0]["totalSize"] != expected[first][2] or document["folderCount"] != 3):
            failures.append(f"merged scan: {merged.returncode} {document.get('rootPath')} {len(nodes)} nodes")

        # A "\\?\" root is kept exactly as given, trailing separator too.
        verbatim = "\\\\?\\" + windows_path(root) + "\\"
        kept = json.loads(run("--engine", "ntquery", "--format", "json", verbatim).stdout.decode("utf-8") or "{}")
        if kept.get("rootPath") != verbatim or kept.get("nodes", [{}])[0].get("totalSize") != expected[windows_path(root)][2]:
            failures.append(f"{verbatim!r}: {kept.get('rootPath')!r}")

        summary = run("--engine", "walk", "--top", "2", windows_path(root))
        text = summary.stdout.decode("utf-8")
        if summary.returncode != 0 or "status: Completed\n" not in text or "build-3\\file-10.bin\n" not in text:
            failures.append(f"summary run: {summary.returncode} {text!r}")

    # A root that is no folder fails with a sentence in every engine.
    for engine in ("walk", "ntquery"):
        for root, expected in ((os.path.abspath(__file__), "This is a file, not a folder."),
                               ("/nonexistent/varnel", "The folder does not exist."),
                               ("NUL", "This names a device, not a folder."),
                               ("", "No folder was given to scan.")):
            failed = run("--engine", engine, windows_path(root) if root.startswith("/") else root)
            if failed.returncode != 1 or expected.encode() not in failed.stdout + failed.stderr:
                failures.append(f"--engine {engine} {root!r}: {failed.returncode} {failed.stdout!r}")
    both_failed = run("--engine", "mft", "Y:\\", "W:\\")
    if both_failed.returncode != 1 or b"Y:\\: " not in both_failed.stdout or b"W:\\: " not in both_failed.stdout:
        failures.append(f"two failed roots: {both_failed.returncode} {both_failed.stdout!r}")

    bad = run("--engine", "nonsense", "C:\\")
    if bad.returncode != 2 or b"usage:" not in bad.stderr:
        failures.append(f"bad usage gave {bad.returncode} {bad.stderr!r}")

    for failure in failures:
        print("FAIL:", failure)
    print(f"varnelscan end to end: {len(failures)} failure(s)")
    return 1 if failures else 0


sys.exit(main())
