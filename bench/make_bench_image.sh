#!/usr/bin/env bash
# Builds the MFT benchmark image: a fresh NTFS volume (mkntfs) filled through
# the ntfs-3g FUSE driver with the deterministic tree of mft_bench_tree.py.
# Takes a long while (every file is created through FUSE), so the image is
# cached outside the repository and reused; delete it to rebuild.
#
# usage: bench/make_bench_image.sh [FILES]   (default 1000000)
# env:   VARNEL_BENCH_CACHE  cache folder (default ${XDG_CACHE_HOME:-$HOME/.cache}/varnel-bench)
# Needs root (FUSE mount). Prints the image path on the last line.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
files="${1:-1000000}"
cache="${VARNEL_BENCH_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/varnel-bench}"
image="$cache/bench-$files.img"

if [[ -f $image && -f $image.done ]]; then
  echo "$image"
  exit 0
fi

mkdir -p "$cache"
rm -f "$image" "$image.done"
# Room for the MFT (about 1 KiB per file and folder), the folder indexes and
# the few files too large to stay resident; data of the sparse files takes none.
truncate -s $((files / 1000000 * 8 + 2))G "$image"
mkntfs -F -f -q -L varnel-bench "$image" >/dev/null 2>&1

mnt="$(mktemp -d)"
cleanup() { umount "$mnt" 2>/dev/null || true; rmdir "$mnt" 2>/dev/null || true; }
trap cleanup EXIT
ntfs-3g -o noatime,big_writes "$image" "$mnt"
start=$SECONDS
python3 "$here/mft_bench_tree.py" "$mnt" "$files"
umount "$mnt"
echo "filled in $((SECONDS - start)) s"
touch "$image.done"
echo "$image"
