#!/usr/bin/env python3
"""Writes a deterministic folder tree of FILES files for the folder-scan
benchmark: skewed fan-out, depth up to 10, heavy-tailed sizes as sparse
files, some non-ASCII names. Usage: make_folder_tree.py DIR [FILES]"""

import os
import random
import sys

root = sys.argv[1]
total_files = int(sys.argv[2]) if len(sys.argv) > 2 else 100_000
rng = random.Random(20261206)
names = ["data", "cache", "Übersicht", "日本語", "build", "logs", "src", "docs", "média", "tmp"]

os.makedirs(root, exist_ok=True)
folders = [(root, 0)]
made = 0
while made < total_files:
    # Prefer recent folders, as real disks grow deep chains and wide leaves.
    pick = rng.random() ** 3
    parent, depth = folders[len(folders) - 1 - int(pick * (len(folders) - 1))]
    if depth < 10 and rng.random() < 0.08:
        path = os.path.join(parent, f"{rng.choice(names)}-{len(folders)}")
        os.makedirs(path, exist_ok=True)
        folders.append((path, depth + 1))
        continue
    path = os.path.join(parent, f"file-{made}.bin")
    with open(path, "wb") as f:
        size = int(rng.lognormvariate(8, 2.5))
        if size:
            f.truncate(size)
    made += 1
print(f"{made} files in {len(folders)} folders under {root}")
