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
    update = sys.argv[1] == "--update"
    golden_dir, fixture_dir, exe, *emulator = sys.argv[1 + update:]
    as_argument = (lambda path: "Z:" + path.replace("/", "\\")) if emulator else (lambda path: path)
    failures = []
    with tempfile.TemporaryDirectory(prefix="varnelscan-golden-") as scratch:
        images = [os.path.join(fixture_dir, name) for name in os.listdir(fixture_dir) if name.endswith(".img")]
        for crafted in (name for name in os.listdir(golden_dir) if name.endswith(".img.zst")):
            images.append(os.path.join(scratch, crafted[:-len(".zst")]))
            subprocess.run(["zstd", "-d", "-q", "-f", os.path.join(golden_dir, crafted), "-o", images[-1]], check=True)
        # The parse's thread count must not show; too slow to repeat under Wine.
        for image, threads in ((i, t) for i in sorted(images) for t in (["0"] if emulator else ["0", "3"])):
            name, path = os.path.basename(image)[:-len(".img")], as_argument(image)
            for fmt in ("csv", "json"):
                output, error = run(exe, emulator, ["--image", path, "--threads", threads, "--top", "30",
                                                    "--format", fmt], path)
                golden = os.path.join(golden_dir, f"{name}.{fmt}.zst")
                error = error or compare(golden, output, update and threads == "0")
                if error:
                    failures.append(f"{name} --threads {threads} {fmt}: {error}")
    for failure in failures:
        print("FAIL:", failure)
    print(f"varnelscan golden outputs of {len(images)} images: {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
