#!/usr/bin/env python3
"""varnelscan never reports a lost write as success, and never aborts on a
path: output to /dev/full, to a closed stdout and to a full 64 KiB file
system ends with the system's reason and exit 4; Ctrl+C while writing ends
the output early with exit 4; image names that are not ASCII, not UTF-8 or
very long are handed to the system as they are.

usage: varnelscan_output_failures.py IMAGE VARNELSCAN
"""

import os
import signal
import subprocess
import sys
import tempfile
import time


def run(command, stdout=subprocess.PIPE, **options):
    return subprocess.run(command, stdout=stdout, stderr=subprocess.PIPE, timeout=300, **options)


def check(failures, name, done, code, reason):
    if done.returncode != code or reason.encode() not in done.stderr:
        failures.append(f"{name}: exit {done.returncode}, stderr {done.stderr[-200:]!r}")


def full_file_system(folder):
    """A 64 KiB tmpfs, or None where mounting is not allowed."""
    return folder if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", folder],
                                    capture_output=True).returncode == 0 else None


def main():
    image, exe = os.path.abspath(sys.argv[1]), sys.argv[2]
    failures = []
    for fmt in ("summary", "csv", "json"):
        with open("/dev/full", "wb") as full:
            check(failures, f"/dev/full {fmt}", run([exe, "--image", image, "--format", fmt], stdout=full),
                  4, "No space left on device")
        check(failures, f"closed stdout {fmt}",
              run(f'"{exe}" --image "{image}" --format {fmt} >&-', shell=True), 4, "Bad file descriptor")
    with tempfile.TemporaryDirectory() as folder:
        mounted = full_file_system(folder)
        if mounted:
            try:
                with open(os.path.join(folder, "out.json"), "wb") as out:
                    check(failures, "full tmpfs", run([exe, "--image", image, "--format", "json"], stdout=out),
                          4, "No space left on device")
            finally:
                subprocess.run(["umount", folder])
        else:
            print("tmpfs could not be mounted here; the full-disk case is /dev/full alone")

    # Ctrl+C once the report has begun, while it waits on a full pipe.
    writer = subprocess.Popen([exe, "--image", image, "--format", "json"], stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE)
    first = writer.stdout.read(1)
    time.sleep(0.5)
    writer.send_signal(signal.SIGINT)
    out, err = writer.communicate(timeout=120)
    out = first + out
    if writer.returncode != 4 or b"interrupted" not in err or out.endswith(b"}\n"):
        failures.append(f"Ctrl+C while writing: exit {writer.returncode}, {len(out)} bytes, {err[-200:]!r}")

    with tempfile.TemporaryDirectory() as folder:
        base = folder.encode()
        deep = os.path.join(base, *([b"d" * 200] * 24))  # past PATH_MAX
        names = [(b"\xc3\xa9t\xc3\xa9.img", 0), (b"\xff\xfe.img", 0), (b"n\xe9.img", 0),
                 (os.path.join(deep, b"x.img"), 1), (b"missing \xff.img", 1)]
        for name, code in names:
            path = os.path.join(base, name)
            if code == 0:
                os.symlink(image, path)
            done = run([exe, "--image", path])
            if done.returncode != code or (code == 1 and b"could not be opened: " not in done.stderr):
                failures.append(f"image {name!r}: exit {done.returncode}, {done.stderr[-200:]!r}")
    for failure in failures:
        print("FAIL", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
