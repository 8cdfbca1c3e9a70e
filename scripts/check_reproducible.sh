#!/usr/bin/env bash
# Builds the release twice, each time in a fresh clone of the same commit in
# a folder of its own, one after the other, and compares the zips' SHA-256.
# Takes as long as two full release builds; not part of the tests.
#   scripts/check_reproducible.sh [COMMIT]      (default: HEAD)
# VARNEL_REPRO_DIR keeps the clones there instead of in a temporary folder.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
commit="$(git -C "$repo" rev-parse --verify "${1:-HEAD}^{commit}")"
work="${VARNEL_REPRO_DIR:-}"
if [[ -z $work ]]; then
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
fi

sums=()
# Folder names of different lengths, so that a build path left in a binary
# would also shift everything after it.
for clone in "$work/a" "$work/second-clone-in-a-longer-folder"; do
  rm -rf "$clone"
  git clone --quiet --no-checkout "$repo" "$clone"
  git -C "$clone" checkout --quiet --detach "$commit"
  echo "reproducible: building $commit in $clone"
  (cd "$clone" && ./scripts/package.sh >/dev/null)
  zip=("$clone"/dist/varnel-*-win64.zip)
  (cd "$clone/dist" && sha256sum --check --quiet SHA256SUMS)
  sums+=("$(sha256sum "${zip[0]}" | cut -d' ' -f1)")
  echo "reproducible: ${sums[-1]}  ${zip[0]}"
done

if [[ ${sums[0]} != "${sums[1]}" ]]; then
  echo "reproducible: the two zips differ; entries that differ:" >&2
  for clone in "$work/a" "$work/second-clone-in-a-longer-folder"; do
    mkdir -p "$clone/unpacked" && (cd "$clone/unpacked" && unzip -qo ../dist/varnel-*-win64.zip)
  done
  diff -rq "$work/a/unpacked" "$work/second-clone-in-a-longer-folder/unpacked" >&2 || true
  exit 1
fi
echo "reproducible: both builds gave ${sums[0]}"
