#!/usr/bin/env bash
# Builds the Windows release with the windows-release preset (build/release)
# and writes dist/varnel-X.Y.Z-win64.zip and dist/SHA256SUMS.
#   scripts/package.sh [--out DIR]
#   scripts/package.sh --from-build build/windows [--out DIR]   (tests: packs
#       an existing build's binaries instead of building; not for publishing)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
exec python3 tools/release/package.py "$@"
