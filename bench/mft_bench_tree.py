#!/usr/bin/env python3
"""Deterministic folder tree for the MFT benchmark image.

Creates FILES files below ROOT in a realistic shape: skewed fan-out (new
entries prefer recently made folders, so a few folders get thousands of
entries and most get a handful), depth up to 12, heavy-tailed sizes made as
sparse files (a truncate, no data written), and about 2 % non-ASCII names.
The same seed always gives the same tree, so figures from different runs are
comparable.

usage: mft_bench_tree.py ROOT FILES [SEED]
"""

import os
import random
import sys

WORDS = ["report", "photo", "backup", "data", "cache", "build", "src", "music", "video",
         "notes", "invoice", "draft", "final", "log", "archive", "project", "temp", "img",
         "setup", "module", "test", "assets", "docs", "lib", "old", "new", "copy", "v2"]
EXTENSIONS = [".txt", ".jpg", ".png", ".dll", ".exe", ".log", ".mp3", ".mp4", ".pdf",
              ".docx", ".cpp", ".h", ".json", ".zip", ".dat", ""]
FOREIGN = ["caf\u00e9", "\u65e5\u672c\u8a9e", "\u0444\u0430\u0439\u043b", "\U0001F4C1",
           "na\u00efve", "\u00fcber", "\u03b1\u03b2\u03b3", "\U0001F600 smile"]
MAX_DEPTH = 12


def name(rng, counter, folder):
    parts = [rng.choice(WORDS)]
    if rng.random() < 0.02:
        parts.append(rng.choice(FOREIGN))
    if rng.random() < 0.5:
        parts.append(rng.choice(WORDS))
    stem = ("_" if rng.random() < 0.7 else " ").join(parts) + f"{counter:x}"
    return stem if folder else stem + rng.choice(EXTENSIONS)


def size(rng):
    # Heavy tail: most files are small, a few are gigabytes.
    roll = rng.random()
    if roll < 0.05:
        return 0
    if roll < 0.35:
        return rng.randint(1, 600)          # resident data
    value = int(rng.lognormvariate(10.0, 2.6))
    return min(value, 200 * 1024 ** 3)


def main():
    root, files = sys.argv[1], int(sys.argv[2])
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 20261206)
    folders = [(root, 0)]
    made_files = 0
    counter = 0
    total_bytes = 0
    while made_files < files:
        pick = rng.random()
        slot = len(folders) - 1 - int(pick * pick * pick * (len(folders) - 1))
        parent, depth = folders[slot]
        counter += 1
        if rng.random() < 0.1 and depth < MAX_DEPTH:
            path = os.path.join(parent, name(rng, counter, True))
            os.mkdir(path)
            folders.append((path, depth + 1))
            continue
        path = os.path.join(parent, name(rng, counter, False))
        length = size(rng)
        fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
        if length:
            os.ftruncate(fd, length)
        os.close(fd)
        made_files += 1
        total_bytes += length
        if made_files % 50000 == 0:
            print(f"  {made_files} files, {len(folders)} folders", flush=True)
    print(f"made {made_files} files, {len(folders) - 1} folders, {total_bytes} bytes (sparse)")


main()
