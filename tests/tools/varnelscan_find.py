#!/usr/bin/env python3
"""varnelscan --find against an independent filter: Python's fnmatch over
the CSV of the same scan. Each fixture image (and, under Wine, a generated
folder tree) is searched with a table of patterns; the matched paths, and
the sizes the CSV gives them, must be exactly the oracle's. Where The Sleuth
Kit is installed, every node's modified time on the images must be the one
fls -m reads from its $STANDARD_INFORMATION, and the day filters must keep
exactly the nodes those times put on each side of a day.

usage: varnelscan_find.py FIXTURE_DIR VARNELSCAN [EMULATOR]
"""

import csv
import fnmatch
import io
import datetime
import os
import shutil
import subprocess
import sys
import tempfile

# (pattern, minimum size or None)
CASES = [
    ("*", None), ("*.txt", None), ("*.TXT", None), ("?", None), ("??", None), ("*e*", 1),
    ("a*", None), ("*FILE*", None), ("über*", None), ("ÜBER*", None), ("*ФАЙЛ*", None),
    ("CAFÉ*", None), ("*日本*", None), ("*\U0001F600*", None), ("*.bin", 4096), ("*", 1_000_000),
    ("*\\names\\*", None), ("*/NAMES/*.txt", None), ("*\\*\\*", 10), ("*\\deep*", None),
    ("x*x", None), ("*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?", None), ("no such name", None),
]


def run(command, *args):
    done = subprocess.run(command + list(args), capture_output=True, timeout=600)
    if done.returncode != 0:
        sys.exit(f"{' '.join(command + list(args))} failed: {done.stderr.decode('utf-8', 'replace')}")
    return done.stdout.decode("utf-8")


def oracle(scan_csv, pattern, minimum):
    rows = list(csv.DictReader(io.StringIO(scan_csv, newline="")))
    nodes = [r for r in rows if r["kind"] == "node"]
    root = next(r for r in nodes if r["parent"] == "")
    folded = pattern.lower().replace("\\", "/")
    by_path = "/" in folded
    found = {}
    for r in nodes:
        if r is root:
            continue
        subject = r["path"].replace("\\", "/") if by_path else r["name"]
        if minimum is not None and int(r["total_size"]) < minimum:
            continue
        if fnmatch.fnmatchcase(subject.lower(), folded):
            found[r["path"]] = int(r["total_size"])
    return found


def found_by_varnelscan(command, scan_args, pattern, minimum):
    args = ["--find", pattern, "--format", "csv"]
    if minimum is not None:
        args += ["--min-size", str(minimum)]
    rows = list(csv.DictReader(io.StringIO(run(command, *args, *scan_args), newline="")))
    found = {r["path"]: int(r["size"]) for r in rows}
    if len(found) != len(rows):
        sys.exit(f"{pattern}: a path printed twice")
    return found


def check(command, scan_args, label):
    scan_csv = run(command, "--format", "csv", *scan_args)
    failures = 0
    for pattern, minimum in CASES:
        expected = oracle(scan_csv, pattern, minimum)
        actual = found_by_varnelscan(command, scan_args, pattern, minimum)
        if actual != expected:
            failures += 1
            missing = sorted(set(expected) - set(actual))[:5]
            extra = sorted(set(actual) - set(expected))[:5]
            print(f"{label} {pattern!r} min={minimum}: {len(actual)} found, {len(expected)} expected; "
                  f"missing {missing} extra {extra}")
    return failures


# What fls -m prints for a FILETIME of 0 (no time recorded): TSK's
# conversion wraps below 1970.
TSK_NO_TIME = 3373865674


def times_by_fls(image):
    """Each listed name's modified time as the find CSV writes it, by path;
    not the ($FILE_NAME) twins, deleted names or named streams."""
    listing = subprocess.run(["fls", "-r", "-p", "-m", "/", image], capture_output=True).stdout
    fields = [line.split("|") for line in listing.decode("utf-8", "replace").splitlines()]
    return {f[1]: "" if int(f[8]) == TSK_NO_TIME else datetime.datetime.fromtimestamp(
        int(f[8]), datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")
        for f in fields if len(f) >= 11 and not f[1].endswith(")") and ":" not in f[1].rsplit("/", 1)[-1]}


def check_times(command, image, label):
    found = list(csv.DictReader(io.StringIO(run(command, "--find", "*", "--format", "csv", "--image", image),
                                            newline="")))
    ours = {("/" + r["path"][len(image):].lstrip("\\")).replace("\\", "/"): r["modified"] for r in found}
    theirs = times_by_fls(image)
    shared = [path for path in ours if path in theirs]
    wrong = [(path, ours[path], theirs[path]) for path in shared if ours[path] != theirs[path]]
    # Each day a time falls on, and the day after, as both bounds.
    days = {t[:10] for t in theirs.values() if t}
    failures = [f"fls lists only {len(shared)} of {len(ours)} paths"] * (len(shared) < 0.9 * len(ours)) + \
        [f"{len(wrong)} modified times differ from fls, e.g. {wrong[:5]}"] * bool(wrong)
    for day in days | {(datetime.date.fromisoformat(d) + datetime.timedelta(days=1)).isoformat() for d in days}:
        for option, keeps in (("--modified-after", lambda t: t >= day), ("--modified-before", lambda t: t < day)):
            rows = csv.DictReader(io.StringIO(run(command, "--find", "*", option, day, "--format", "csv",
                                                  "--image", image), newline=""))
            if {r["path"] for r in rows} != {r["path"] for r in found if r["modified"] and keeps(r["modified"][:10])}:
                failures.append(f"{option} {day} keeps other nodes than the times say")
    for failure in failures:
        print(f"{label}: {failure}")
    return len(failures)


def main():
    fixture_dir, exe = sys.argv[1], sys.argv[2]
    command = sys.argv[3:] + [exe]
    failures = 0
    # The matching and the times are portable and checked on the images
    # natively; under Wine (one program start per pattern) one image shows the
    # Windows build agrees, and the folder scan is what only it can do.
    images = ("shapes.img",) if sys.argv[3:] else ("basic.img", "shapes.img")
    for image in sorted(os.listdir(fixture_dir)):
        if image in images:
            failures += check(command, ["--image", os.path.join(fixture_dir, image)], image)
            if shutil.which("fls") and not sys.argv[3:]:
                failures += check_times(command, os.path.join(fixture_dir, image), image)
    if sys.argv[3:]:  # a folder scan needs the Windows build
        with tempfile.TemporaryDirectory() as root:
            for name in ["Über Ordner", "файл.TXT", "plain.txt", "a.b", "deep"]:
                os.makedirs(os.path.join(root, "names", name + " dir"))
                with open(os.path.join(root, "names", name + " dir", name), "wb") as f:
                    f.write(b"x" * (len(name) * 1000))
            failures += check(command, ["Z:" + root.replace("/", "\\")], "folder")
    if failures:
        sys.exit(f"{failures} patterns differ from the oracle")
    print("every pattern matched the oracle")


main()
