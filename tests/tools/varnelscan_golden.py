#!/usr/bin/env python3
"""varnelscan's CSV and JSON output (with --top 30), byte for byte against
the golden files in tests/golden: every NTFS fixture image through --image,
and, under Wine, one generated folder tree through the walk and the native
engine. Any change of output shows up here; deliberate ones are recorded with
--update and reviewed as a diff of the decompressed goldens.

usage: varnelscan_golden.py [--update] GOLDEN_DIR FIXTURE_DIR VARNELSCAN [EMULATOR...]

Besides the fixtures, the golden folder holds its own crafted images:
saturating.img (mkntfs on 8 MiB, then through ntfs-3g a folder "huge" with
three sparse files truncated to 2^63-1 bytes), whose totals must stop at
2^64-1 instead of wrapping.

Goldens are zstd-compressed (the largest fixtures give megabytes of text).
Paths in the output start with wherever the image or tree lies today, so the
scanned root is replaced by "<root>" before the comparison; the elapsed time
is the only figure that varies by run and is written as 0. Native and Windows
builds share the image goldens: their output must not differ either.
"""

import difflib
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
FOLDER_TREE = os.path.join(HERE, "..", "..", "bench", "make_folder_tree.py")
TREE_FILES = 400
# Names the Win32 layer treats specially or that CSV and JSON must escape.
SPECIAL_NAMES = ["comma,name", "quote'single", "caf\u00e9", "\u65e5\u672c", "\U0001F4C1 emoji", "semi;colon",
                 "abc.", "abc", "sp "]


def build_tree(root):
    """The same tree on every machine and run: a seeded generator, special
    names, a path past 260 characters, and fixed permissions (Wine derives the
    read-only attribute from them)."""
    subprocess.run([sys.executable, FOLDER_TREE, root, str(TREE_FILES)], check=True, capture_output=True)
    for i, name in enumerate(SPECIAL_NAMES):
        os.makedirs(os.path.join(root, "special", name))
        with open(os.path.join(root, "special", name, name + ".bin"), "wb") as f:
            f.write(b"s" * (i * 1000 + 1))
    deep = os.path.join(root, "special", *[letter * 100 for letter in "xyz"])
    os.makedirs(deep)
    with open(os.path.join(deep, "long.bin"), "wb") as f:
        f.write(b"z" * 11)
    for folder, dirs, files in os.walk(root):
        os.chmod(folder, 0o755)
        for name in files:
            os.chmod(os.path.join(folder, name), 0o644)


def normalized(output, root):
    for form in (root.replace("\\", "\\\\"), root):  # as in JSON strings, then as in CSV
        output = output.replace(form.encode("utf-8"), b"<root>")
    return re.sub(rb'"elapsedMs": -?\d+', b'"elapsedMs": 0', output)


def run(command, emulator, args, root):
    done = subprocess.run([*emulator, command, *args], capture_output=True, timeout=600)
    if done.returncode != 0:
        return None, f"exit {done.returncode}: {done.stderr[-300:]!r}"
    return normalized(done.stdout, root), None


def compare(golden_path, output, update):
    if update:
        subprocess.run(["zstd", "-q", "-f", "-19", "-o", golden_path], input=output, check=True)
        return None
    if not os.path.exists(golden_path):
        return "no golden file (run with --update)"
    golden = subprocess.run(["zstd", "-d", "-q", "-c", golden_path], capture_output=True, check=True).stdout
    if golden == output:
        return None
    diff = difflib.unified_diff(golden.decode("utf-8", "replace").splitlines(),
                                output.decode("utf-8", "replace").splitlines(), "golden", "now", n=0, lineterm="")
    return "differs:\n  " + "\n  ".join(list(diff)[2:12])


def main():
    args = sys.argv[1:]
    update = args[:1] == ["--update"]
    if update:
        args = args[1:]
    golden_dir, fixture_dir, exe, emulator = args[0], args[1], args[2], args[3:]
    as_argument = (lambda path: "Z:" + path.replace("/", "\\")) if emulator else (lambda path: path)

    # (golden name, root as varnelscan prints it, arguments before --format)
    cases = []
    scratch = tempfile.TemporaryDirectory(prefix="varnelscan-golden-")
    with scratch:
        images = [os.path.join(fixture_dir, name) for name in os.listdir(fixture_dir) if name.endswith(".img")]
        for crafted in (name for name in os.listdir(golden_dir) if name.endswith(".img.zst")):
            images.append(os.path.join(scratch.name, crafted[:-len(".zst")]))
            subprocess.run(["zstd", "-d", "-q", "-f", os.path.join(golden_dir, crafted), "-o", images[-1]], check=True)
        for image in sorted(images, key=os.path.basename):
            path = as_argument(image)
            name = os.path.basename(image)[:-len(".img")]
            cases.append((name, path, ["--image", path]))
            if not emulator:  # the parse's thread count must not show; too slow to repeat under Wine
                cases.append((name, path, ["--image", path, "--threads", "3"]))
        if emulator:
            tree = os.path.join(scratch.name, "tree")
            build_tree(tree)
            root = as_argument(tree)
            cases.append(("tree-walk", root, ["--engine", "walk", root]))
            cases.append(("tree-ntquery", root, ["--engine", "ntquery", "--threads", "1", root]))

        failures = []
        written = set()
        for name, root, scan_args in cases:
            for fmt in ("csv", "json"):
                output, error = run(exe, emulator, [*scan_args, "--top", "30", "--format", fmt], root)
                golden = os.path.join(golden_dir, f"{name}.{fmt}.zst")
                if error is None:
                    # A case that repeats a golden (other thread count) is compared even under --update.
                    error = compare(golden, output, update and golden not in written)
                    written.add(golden)
                if error:
                    failures.append(f"{name} {' '.join(a for a in scan_args if a != root)} {fmt}: {error}")
    for failure in failures:
        print("FAIL:", failure)
    print(f"varnelscan golden outputs: {len(cases) * 2} compared, {len(failures)} failure(s)")
    return 1 if failures else 0


sys.exit(main())
