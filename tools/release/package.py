#!/usr/bin/env python3
"""Builds the Windows release and writes dist/varnel-X.Y.Z-win64.zip and
dist/SHA256SUMS beside it (scripts/package.sh runs this).

The zip holds one folder, varnel-X.Y.Z/, with both programs, the string
tables they read at run time, README.md, LICENSE and CHANGELOG.md. Two runs
on the same commit give the same bytes: the binaries leave out build folders
and link times (VARNEL_REPRODUCIBLE), and the zip lists its entries in a
fixed order with the last commit's time and fixed permissions.

usage: package.py [--from-build DIR] [--out DIR]

--from-build DIR packages the binaries of an existing Windows build (the
tests use the `windows` preset's) instead of building the `windows-release`
preset; such a zip is for testing, not for publishing.
"""

import argparse
import hashlib
import os
import struct
import subprocess
import sys
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PROGRAMS = [("varnel.exe", "src/app"), ("varnelscan.exe", "tools/varnelscan")]
DOCUMENTS = ["README.md", "LICENSE", "CHANGELOG.md"]
# Unix permissions in the high half, MS-DOS attributes (0x10: folder) in the low.
FOLDER_ATTRIBUTES = (0o40755 << 16) | 0x10
PROGRAM_ATTRIBUTES = 0o100755 << 16
FILE_ATTRIBUTES = 0o100644 << 16


def fail(message):
    sys.exit("package: " + message)


def source_date_epoch():
    """The last commit's time, unless SOURCE_DATE_EPOCH says otherwise."""
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    try:
        out = subprocess.run(["git", "-C", ROOT, "log", "-1", "--format=%ct"],
                             capture_output=True, text=True, check=True).stdout
        return int(out.strip())
    except (OSError, ValueError, subprocess.CalledProcessError):
        fail("not a git checkout: set SOURCE_DATE_EPOCH to the release's time")


def build_release(epoch):
    env = dict(os.environ, SOURCE_DATE_EPOCH=str(epoch))
    for step in (["cmake", "--preset", "windows-release"],
                 ["cmake", "--build", "--preset", "windows-release", "-j2"]):
        subprocess.run(step, cwd=ROOT, env=env, check=True)
    return os.path.join(ROOT, "build", "release")


def project_version(build):
    """The version CMake took from the top CMakeLists.txt for this build."""
    try:
        with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8") as cache:
            for line in cache:
                if line.startswith("CMAKE_PROJECT_VERSION:"):
                    return line.split("=", 1)[1].strip()
    except OSError:
        pass
    fail(build + " is not a configured build folder")


def pe_stamps(data):
    """The link time in the COFF header and the times in the export,
    resource and debug directories: all must be 0 for a repeatable build."""
    def u16(at): return struct.unpack_from("<H", data, at)[0]
    def u32(at): return struct.unpack_from("<I", data, at)[0]
    pe = u32(0x3C)
    if data[pe:pe + 4] != b"PE\0\0" or u16(pe + 24) != 0x20B:
        fail("not a 64-bit PE file")
    sections = [pe + 24 + u16(pe + 20) + 40 * i for i in range(u16(pe + 6))]

    def file_offset(rva):
        for header in sections:
            start = u32(header + 12)
            if start <= rva < start + u32(header + 8):
                return u32(header + 20) + rva - start
        fail("a directory lies outside every section")

    def directory(index):
        at = pe + 24 + 112 + 8 * index
        return u32(at), u32(at + 4)

    stamps = [u32(pe + 8)]
    for index in (0, 2):  # export, resource: a stamp at offset 4
        rva, size = directory(index)
        if size:
            stamps.append(u32(file_offset(rva) + 4))
    rva, size = directory(6)  # debug: entries of 28 bytes, stamp at 4
    if size:
        stamps += [u32(file_offset(rva) + n + 4) for n in range(0, size, 28)]
    return stamps


def check_program(path, data):
    """A published program carries no link time and no folder of the machine
    that built it."""
    if any(pe_stamps(data)):
        fail(path + " carries a link time")
    for folder in {ROOT, os.path.realpath(ROOT)}:
        if folder.encode() in data or folder.replace("/", "\\").encode() in data:
            fail(path + " names the build folder " + folder)


def zip_entries(build, version):
    """(name in the zip, bytes or None for a folder, is a program) in order."""
    top = "varnel-%s/" % version
    entries = [(top, None, False)]
    for name, folder in PROGRAMS:
        with open(os.path.join(build, folder, name), "rb") as f:
            entries.append((top + name, f.read(), True))
    for name in DOCUMENTS:
        with open(os.path.join(ROOT, name), "rb") as f:
            entries.append((top + name, f.read(), False))
    entries += [(top + "resources/", None, False), (top + "resources/strings/", None, False)]
    strings = os.path.join(ROOT, "resources", "strings")
    for name in sorted(os.listdir(strings)):
        if name.endswith(".txt"):
            with open(os.path.join(strings, name), "rb") as f:
                entries.append((top + "resources/strings/" + name, f.read(), False))
    return entries


def write_zip(path, entries, epoch):
    # ZIP keeps local time with two-second steps from 1980 on; UTC is as
    # good as any zone as long as every run uses the same.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(path, "w") as archive:
        for name, data, program in entries:
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.create_system = 3
            if data is None:
                info.external_attr = FOLDER_ATTRIBUTES
                archive.writestr(info, b"")
            else:
                info.external_attr = PROGRAM_ATTRIBUTES if program else FILE_ATTRIBUTES
                info.compress_type = zipfile.ZIP_DEFLATED
                archive.writestr(info, data, compresslevel=9)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--from-build", metavar="DIR", help="package this Windows build (for tests)")
    parser.add_argument("--out", metavar="DIR", default=os.path.join(ROOT, "dist"))
    args = parser.parse_args()

    epoch = source_date_epoch()
    build = os.path.abspath(args.from_build) if args.from_build else build_release(epoch)
    version = project_version(build)
    entries = zip_entries(build, version)
    if not args.from_build:
        for name, data, program in entries:
            if program:
                check_program(name, data)

    os.makedirs(args.out, exist_ok=True)
    zip_name = "varnel-%s-win64.zip" % version
    zip_path = os.path.join(args.out, zip_name)
    partial = zip_path + ".partial"
    write_zip(partial, entries, epoch)
    os.replace(partial, zip_path)
    with open(zip_path, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    with open(os.path.join(args.out, "SHA256SUMS"), "w", encoding="ascii", newline="\n") as sums:
        sums.write("%s  %s\n" % (digest, zip_name))
    print("%s  %s" % (digest, zip_path))


if __name__ == "__main__":
    main()
