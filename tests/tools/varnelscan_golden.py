#!/usr/bin/env python3
"""varnelscan's CSV and JSON output (--top 30) on every NTFS fixture image and
on the crafted images here (saturating.img: mkntfs on 8 MiB, then through
ntfs-3g three sparse files of 2^63-1 bytes in "huge"), byte for byte against
the zstd-compressed goldens, shared by the native and Windows builds.
usage: varnelscan_golden.py [--update] GOLDEN_DIR FIXTURE_DIR VARNELSCAN [EMULATOR...]
"""

import difflib
import os
import re
import subprocess
import sys
import tempfile


def normalized(output, root):
    """Paths start with wherever the image or tree lies today, and the
    elapsed time varies by run; neither is compared."""
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

    cases = []  # (golden name, root as varnelscan prints it, arguments before --top)
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


if __name__ == "__main__":
    sys.exit(main())
