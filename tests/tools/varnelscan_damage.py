#!/usr/bin/env python3
"""Named corruptions of one valid NTFS image (basic.img), each scanned with
varnelscan --image: the exit code, the error rows naming the damaged record,
the placeholder folders below the root, and that every file the undamaged
image has is still counted (by name and size, under its folder or a
placeholder) with the root's totals unchanged, but for what the damage
itself takes, and never below the bytes The Sleuth Kit (fls) still lists. Records are found and patched here with our own small reading
of the MFT, independent of the engine.

usage: varnelscan_damage.py FIXTURE_DIR VARNELSCAN
"""

import collections
import csv
import io
import os
import shutil
import struct
import subprocess
import sys
import tempfile


class Image:
    def __init__(self, path):
        self.path = path
        with open(path, "rb") as f:
            boot = f.read(512)
        self.sector = struct.unpack_from("<H", boot, 0x0B)[0]
        cluster = self.sector * boot[0x0D]
        per = struct.unpack_from("<b", boot, 0x40)[0]
        self.size = per * cluster if per > 0 else 1 << -per
        self.mft = struct.unpack_from("<q", boot, 0x30)[0] * cluster  # one run: a fresh volume's MFT
        self.mirror = struct.unpack_from("<q", boot, 0x38)[0] * cluster

    def raw(self, number, base=None):
        with open(self.path, "rb") as f:
            f.seek((self.mft if base is None else base) + number * self.size)
            return bytearray(f.read(self.size))

    def write(self, offset, data):
        with open(self.path, "r+b") as f:
            f.seek(offset)
            f.write(data)

    def record(self, number):
        """(flags, base, attributes) of a fixed-up record; None when not FILE."""
        r = self.raw(number)
        if r[:4] != b"FILE":
            return None
        usa, count = struct.unpack_from("<HH", r, 4)
        for i in range(1, count):
            r[i * 512 - 2:i * 512] = r[usa + 2 * i:usa + 2 * i + 2]
        attrs, offset = [], struct.unpack_from("<H", r, 20)[0]
        while offset + 8 <= len(r) and struct.unpack_from("<I", r, offset)[0] != 0xFFFFFFFF:
            kind, length = struct.unpack_from("<II", r, offset)
            attrs.append((kind, offset, r[offset:offset + length]))
            offset += length
        return struct.unpack_from("<H", r, 22)[0], struct.unpack_from("<Q", r, 32)[0], attrs

    def patch(self, number, offset, data, base=None):
        """Writes into a record as stored: bytes at a stride's end live in
        the update sequence array."""
        start = (self.mft if base is None else base) + number * self.size
        usa = struct.unpack_from("<H", self.raw(number, base), 4)[0]
        for i, byte in enumerate(data):
            at = offset + i
            stored = usa + 2 * (at // 512 + 1) + at % 512 - 510 if at % 512 >= 510 else at
            self.write(start + stored, bytes([byte]))

    def names(self, number):
        """[(offset of the $FILE_NAME value in the record, parent reference)]."""
        found = []
        for kind, offset, body in self.record(number)[2]:
            if kind == 0x30:
                value = offset + struct.unpack_from("<H", body, 20)[0]
                found.append((value, struct.unpack_from("<Q", body, struct.unpack_from("<H", body, 20)[0])[0]))
        return found


def scan(exe, image):
    done = subprocess.run([exe, "--image", image, "--format", "csv"], capture_output=True, timeout=600)
    rows = list(csv.DictReader(io.StringIO(done.stdout.decode("utf-8"), newline="")))
    return done.returncode, rows, done.stderr.decode("utf-8", "replace")


def files(rows):
    return collections.Counter((r["name"], r["size"]) for r in rows if r["kind"] == "node" and r["folder"] == "0")


def sleuth_kit_total(image):
    """Bytes of every allocated file name fls lists (orphans included), or
    None without The Sleuth Kit."""
    if not shutil.which("fls"):
        return None
    listing = subprocess.run(["fls", "-r", "-p", "-l", image], capture_output=True).stdout.decode("utf-8", "replace")
    total = 0
    for line in listing.splitlines():
        kind, _, rest = line.partition("\t")
        fields = rest.split("\t")
        if kind.startswith("r/r") and "*" not in kind and ":" not in fields[0]:
            total += int(fields[5])
    return total


def set_parent(image, number, parent):
    for value, _ in image.names(number):
        image.patch(number, value, struct.pack("<Q", parent))


def data_attribute(image, number):
    return next(offset for kind, offset, body in image.record(number)[2] if kind == 0x80 and body[9] == 0)


def cases(image, records):
    """(name, corrupt(image), exit code, [(record, words in its error row)],
    placeholder records, names the damage takes)."""
    one, big, large, zero = records["deep\\one"], records["big folder"], records["sizes\\large.bin"], records["sizes\\zero.bin"]
    many = records["links\\many names.bin"]
    extension = next((n for n in range(16, 1024) if (image.record(n) or (0, 0))[1] & 0xFFFFFFFFFFFF == many
                      and any(kind == 0x30 for kind, _, _ in image.record(n)[2])), None)
    sequence = struct.unpack_from("<H", image.raw(records["sizes"]), 16)[0]
    first_attribute = struct.unpack_from("<H", image.raw(one), 20)[0]
    table = [
        ("bit flip in a folder record", lambda i: i.patch(one, first_attribute + 5, bytes([image.raw(one)[first_attribute + 5] ^ 0x80])),
         3, [(one, "attribute that runs past")], [one], 0),
        ("torn write in a folder record", lambda i: i.write(i.mft + one * i.size + 1022, b"\xde\xad"),
         3, [(one, "torn write")], [one], 0),
        ("BAAD folder record", lambda i: i.write(i.mft + big * i.size, b"BAAD"), 3, [(big, "BAAD")], [big], 0),
        ("folder not in use with children in use",
         lambda i: i.patch(big, 22, struct.pack("<H", struct.unpack_from("<H", i.raw(big), 22)[0] & ~1)),
         3, [(big, "not in use")], [big], 0),
        ("stale parent", lambda i: set_parent(i, large, records["sizes"] | (sequence + 1) << 48),
         3, [(records["sizes"], "reused")], [records["sizes"]], 0),
        ("parent beyond the MFT", lambda i: set_parent(i, large, 70000 | sequence << 48),
         3, [(70000, "beyond the end of the MFT")], [70000], 0),
        ("parent is a file", lambda i: set_parent(i, large, zero), 3, [(zero, "is a file")], [zero], 0),
        ("record 0 damaged, mirror intact", lambda i: i.write(i.mft + 510, b"\xde\xad"), 3, [(0, "$MFTMirr was used")], [], 0),
        ("file allocation beyond the volume",
         lambda i: i.patch(large, data_attribute(i, large) + 40, struct.pack("<q", 1 << 50)),
         3, [(large, "bytes on disk, more than the volume")], [], 0),
        ("MFT claiming more than the volume",
         lambda i: [i.patch(0, data_attribute(i, 0) + 48, struct.pack("<q", 1 << 40), base)
                    for base in (i.mft, i.mirror)], 1, [], [], 0),
    ]
    if extension:
        # Its names are read as they stand: The Sleuth Kit lists them too, from the folder's index.
        table.append(("torn extension record with names", lambda i: i.write(i.mft + extension * i.size + 510, b"\xde\xad"),
                      3, [(extension, "names of MFT record")], [], 0))
    else:
        print("skipped: basic.img has no extension record holding names")
    return table


def main(fixture_dir, exe):
    failures = []
    with tempfile.TemporaryDirectory(prefix="varnelscan-damage-") as work:
        clean_path = os.path.join(work, "clean.img")
        shutil.copy(os.path.join(fixture_dir, "basic.img"), clean_path)
        code, clean, _ = scan(exe, clean_path)
        assert code == 0 and not [r for r in clean if r["kind"] == "error"], "the undamaged image reports damage"
        root = next(r for r in clean if r["parent"] == "")
        records = {}
        image = Image(clean_path)
        for number in range(16, 1024):
            found = image.record(number)
            if found and found[0] & 1 and found[1] == 0:
                for value, _ in image.names(number):
                    length = image.raw(number)[value + 64]
                    name = bytes(image.raw(number)[value + 66:value + 66 + 2 * length]).decode("utf-16-le")
                    records.setdefault(name, number)
        paths = {r["path"][len(root["path"]) + 1:]: r for r in clean if r["kind"] == "node"}
        records = {path: records[path.split("\\")[-1]] for path in paths if path.split("\\")[-1] in records}

        for name, corrupt, want_exit, want_errors, want_placeholders, lost in cases(image, records):
            damaged_path = os.path.join(work, "damaged.img")
            shutil.copy(clean_path, damaged_path)
            corrupt(Image(damaged_path))
            code, rows, stderr = scan(exe, damaged_path)
            faults = []
            if code != want_exit:
                faults.append(f"exit {code}, not {want_exit}: {stderr[-200:]!r}")
            if want_exit != 3:
                if "more bytes than the volume" not in stderr:
                    faults.append(f"no sentence: {stderr[-200:]!r}")
            else:
                errors = [r["name"] for r in rows if r["kind"] == "error"]
                for record, words in want_errors:
                    if not any(e.startswith(f"MFT record {record} ") and words in e for e in errors):
                        faults.append(f"no error row on record {record} saying {words!r}: {errors}")
                top = {r["name"] for r in rows if r["kind"] == "node" and r["parent"] == root["index"]}
                placeholders = {n for n in top if n.startswith("Lost folder")}
                if placeholders != {f"Lost folder (MFT record {r})" for r in want_placeholders}:
                    faults.append(f"placeholders {sorted(placeholders)}")
                missing = files(clean) - files(rows)
                if sum(missing.values()) != lost:
                    faults.append(f"{sum(missing.values())} files missing, not {lost}: {list(missing)[:5]}")
                total = next(r for r in rows if r["parent"] == "")
                lost_bytes = sum(int(size) * n for (_, size), n in missing.items())
                if int(total["total_size"]) != int(root["total_size"]) - lost_bytes:
                    faults.append(f"total {total['total_size']}, not {int(root['total_size']) - lost_bytes}")
                listed = sleuth_kit_total(damaged_path)
                if listed is not None and int(total["total_size"]) < listed:
                    faults.append(f"total {total['total_size']} below The Sleuth Kit's {listed}")
                if "allocation" not in name and total["size_on_disk"] != root["size_on_disk"]:
                    faults.append(f"on disk {total['size_on_disk']}, not {root['size_on_disk']}")
            print(f"{name}: {'ok' if not faults else 'FAIL ' + '; '.join(faults)}")
            failures += faults
    return not failures


if __name__ == "__main__":
    sys.exit(0 if main(sys.argv[1], sys.argv[2]) else 1)
