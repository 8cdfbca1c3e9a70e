#!/usr/bin/env python3
"""The Linux varnelscan scanning folders, node by node against an independent
walk (os.scandir and lstat below directory descriptors) over a table of trees:
hard links, symbolic links to folders and in loops, unreadable folders and
entries, names that are not UTF-8, 100,000 siblings and 2,000 levels. Run as
root, it drops the capabilities that override permissions first, so that
unreadable means unreadable. usage: varnelscan_posix_end_to_end.py VARNELSCAN
"""

import csv
import io
import os
import resource
import stat
import subprocess
import sys
import tempfile

if os.geteuid() == 0 and "VARNEL_CAPS_DROPPED" not in os.environ:
    os.environ["VARNEL_CAPS_DROPPED"] = "1"
    os.execvp("setpriv", ["setpriv", "--bounding-set=-dac_override,-dac_read_search", sys.executable, *sys.argv])

CODES = {13: 5, 1: 5, 2: 2, 20: 3}  # errno -> the Win32 code the rows carry


def write(path, data=b"", mode=None):
    with open(path, "wb") as f:
        f.write(data)
    if mode is not None:
        os.chmod(path, mode)


def links(root):
    os.makedirs(root + b"/data/sub")
    os.makedirs(root + b"/other")
    write(root + b"/data/shared", b"s" * 20000)
    os.link(root + b"/data/shared", root + b"/other/again")
    os.link(root + b"/data/shared", root + b"/data/sub/third")
    os.symlink(b"../data", root + b"/other/to-data")
    os.symlink(b"loop-b", root + b"/loop-a")
    os.symlink(b"loop-a", root + b"/loop-b")
    os.symlink(b"..", root + b"/data/sub/up")
    os.symlink(b"nowhere", root + b"/dangling")


def unreadable(root):
    os.makedirs(root + b"/closed/inside")
    write(root + b"/closed/inside/x", b"x" * 10)
    os.makedirs(root + b"/listable/sub")
    write(root + b"/listable/file", b"y" * 5000)
    write(root + b"/locked-file", b"z" * 3000, 0)
    os.chmod(root + b"/closed", 0)
    os.chmod(root + b"/listable", 0o444)


def names(root):
    for name in (b"bad\xff", b"\xc3(", b"trunc\xe2\x82", b"back\\slash", b"new\nline", b"comma,quote\"",
                 "caf\u00e9 \U0001F4C1".encode()):
        os.makedirs(root + b"/" + name)
        write(root + b"/" + name + b"/" + name, name)


def wide(root):
    os.makedirs(root)
    for i in range(100_000):
        os.close(os.open(root + b"/f%06d" % i, os.O_CREAT | os.O_WRONLY, 0o644))
    write(root + b"/f000007", b"q" * 9000)


def deep(root):
    os.makedirs(root)
    fd = os.open(root, os.O_RDONLY)
    for _ in range(2000):  # paths pass 4,096 bytes: opened piece by piece
        os.mkdir(b"level", dir_fd=fd)
        fd, parent = os.open(b"level", os.O_RDONLY, dir_fd=fd), fd
        os.close(parent)
    os.close(os.open(b"bottom", os.O_CREAT | os.O_WRONLY, 0o644, dir_fd=fd))
    os.close(fd)


def walk(fd, path, device, nodes, errors, linked):
    """Fills nodes[path] = [folder, size, on disk, attributes, total, total on disk, files, folders, parent],
    parents before children."""
    unexamined = 0
    for entry in os.scandir(fd):
        child = path + "\\" + entry.name
        try:
            st = os.stat(entry.name, dir_fd=fd, follow_symlinks=False)
        except FileNotFoundError:
            continue
        except OSError as error:
            unexamined = unexamined or CODES[error.errno]
            st = None
        if stat.S_ISDIR(st.st_mode) if st else entry.is_dir(follow_symlinks=False):
            mount = st is not None and st.st_dev != device
            nodes[child] = [True, 0, 0, 0x410 if mount else 0x10, 0, 0, 0, 0, path]
            if not mount:
                try:
                    sub = os.open(entry.name, os.O_RDONLY | os.O_DIRECTORY | os.O_NOFOLLOW, dir_fd=fd)
                except OSError as error:
                    errors.add((child, CODES[error.errno]))
                else:
                    walk(sub, child, device, nodes, errors, linked)
                    os.close(sub)
        elif st is None:
            nodes[child] = [False, 0, 0, 0x80, 0, 0, 0, 0, path]
        else:
            on_disk = st.st_blocks * 512
            attributes = 0x400 if stat.S_ISLNK(st.st_mode) else 0x80
            nodes[child] = [False, st.st_size, on_disk, attributes, st.st_size, on_disk, 0, 0, path]
            if st.st_nlink > 1 and on_disk:
                linked.setdefault((st.st_dev, st.st_ino), []).append(child)
    if unexamined:
        errors.add((path, unexamined))


def expected(root):
    nodes, errors, linked = {}, set(), {}
    fd = os.open(root, os.O_RDONLY | os.O_DIRECTORY)
    nodes[os.fsdecode(root)] = [True, 0, 0, 0x10, 0, 0, 0, 0, None]
    walk(fd, os.fsdecode(root), os.fstat(fd).st_dev, nodes, errors, linked)
    os.close(fd)
    for paths in linked.values():  # bytes on disk under the name that sorts first
        for path in sorted(paths)[1:]:
            nodes[path][2] = nodes[path][5] = 0
    for node in reversed(nodes.values()):  # children first: totals upwards
        parent = nodes.get(node[8])
        if parent is not None:
            parent[4] += node[4]
            parent[5] += node[5]
            parent[6] += node[6] + (0 if node[0] else 1)
            parent[7] += node[7] + (1 if node[0] else 0)
    shown = lambda text: "".join("\ufffd" if "\ud800" <= c <= "\udfff" else c for c in text)
    return ({shown(p): tuple(n[:8]) for p, n in nodes.items()}, {(shown(p), c) for p, c in errors})


def scanned(exe, root, threads):
    done = subprocess.run([exe, "--format", "csv", "--threads", threads, root], capture_output=True, timeout=600)
    rows = list(csv.DictReader(io.StringIO(done.stdout.decode("utf-8"), newline="")))
    nodes = {r["path"]: (r["folder"] == "1", int(r["size"]), int(r["size_on_disk"]) if r["folder"] != "1" else 0,
                         int(r["attributes"]), int(r["total_size"]), int(r["size_on_disk"]), int(r["file_count"]),
                         int(r["folder_count"])) for r in rows if r["kind"] == "node"}
    errors = {(r["path"], int(r["error_code"])) for r in rows if r["kind"] == "error"}
    return done.returncode, nodes, errors


def main():
    exe = sys.argv[1]
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (max(soft, min(hard, 8192)), hard))
    sys.setrecursionlimit(10000)
    failures = []
    with tempfile.TemporaryDirectory(prefix="varnelscan-posix-") as scratch:
        for make in (links, unreadable, names, wide, deep):
            root = os.path.join(scratch.encode(), make.__name__.encode())
            make(root)
            want_nodes, want_errors = expected(root)
            for threads in ("1", "8"):
                code, nodes, errors = scanned(exe, root, threads)
                label = f"{make.__name__} --threads {threads}"
                if code != 0:
                    failures.append(f"{label}: exit {code}")
                for path in sorted(set(want_nodes) | set(nodes))[:2000]:
                    if want_nodes.get(path) != nodes.get(path):
                        failures.append(f"{label} {path[-80:]!r}: expected {want_nodes.get(path)}, got {nodes.get(path)}")
                if errors != want_errors:
                    failures.append(f"{label} errors: expected {sorted(want_errors)}, got {sorted(errors)}")
        for name in ("closed", "listable"):  # let the clean-up in
            os.chmod(os.path.join(scratch, "unreadable", name), 0o755)
    for failure in failures[:40]:
        print("FAIL:", failure)
    print(f"varnelscan on POSIX folders: {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
