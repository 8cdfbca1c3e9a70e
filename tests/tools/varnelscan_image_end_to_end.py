#!/usr/bin/env python3
"""Runs varnelscan --image on every NTFS fixture image and checks its CSV
against the listing The Sleuth Kit gave for the same image (NAME.expected
beside NAME.img), then checks that images that are not NTFS fail cleanly.

usage: varnelscan_image_end_to_end.py FIXTURE_DIR VARNELSCAN [EMULATOR]
With an emulator (Wine), paths are handed over as Z:\\... paths.
"""

import csv
import io
import os
import subprocess
import sys
import tempfile

fixture_dir, exe = sys.argv[1], sys.argv[2]
emulator = sys.argv[3:]


def native(path):
    return "Z:" + path.replace("/", "\\") if emulator else path


def run(*args):
    return subprocess.run([*emulator, exe, *args], capture_output=True, timeout=240)


def listing(csv_text, root):
    lines = []
    for row in csv.DictReader(io.StringIO(csv_text, newline="")):
        if row["kind"] != "node" or row["parent"] == "":
            continue
        kind = "D" if row["folder"] == "1" else "F"
        if kind == "D" and row["reparse"] == "1":
            kind = "R"
        lines.append(f"{kind}\t{row['size']}\t{row['path'][len(root) + 1:]}")
    return sorted(lines)


failures = []
images = sorted(name[:-len(".expected")] for name in os.listdir(fixture_dir) if name.endswith(".expected"))
for name in images:
    image = native(os.path.join(fixture_dir, name + ".img"))
    for threads in ("0", "3"):
        done = run("--image", image, "--threads", threads, "--format", "csv")
        if done.returncode != 0:
            failures.append(f"{name}: exit {done.returncode} {done.stderr!r}")
            continue
        actual = listing(done.stdout.decode("utf-8"), image)
        with open(os.path.join(fixture_dir, name + ".expected"), encoding="utf-8") as f:
            expected = sorted(f.read().splitlines())
        if actual != expected:
            missing = sorted(set(expected) - set(actual))[:3]
            extra = sorted(set(actual) - set(expected))[:3]
            failures.append(f"{name} (threads {threads}): missing {missing}, extra {extra}")

with tempfile.TemporaryDirectory(prefix="varnelscan-image-") as folder:
    zeros = os.path.join(folder, "zeros.img")
    with open(zeros, "wb") as f:
        f.write(bytes(65536))
    cases = [
        (native(zeros), 1, b"Image is not an NTFS volume."),
        (native(os.path.join(folder, "missing.img")), 1, b"NTFS image could not be opened."),
    ]
    for image, code, message in cases:
        done = run("--image", image)
        if done.returncode != code or message not in done.stderr or b"status: Failed" not in done.stdout:
            failures.append(f"{image}: exit {done.returncode}, {done.stderr!r}")

bad = run("--image", "a.img", "C:\\")
if bad.returncode != 2 or b"usage:" not in bad.stderr:
    failures.append(f"--image with a path gave {bad.returncode}")

for failure in failures:
    print("FAIL:", failure)
print(f"varnelscan --image on {len(images)} images: {len(failures)} failure(s)")
sys.exit(1 if failures else 0)
