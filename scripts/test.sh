#!/usr/bin/env bash
# Builds both presets and runs every test: the Windows build under Wine (and
# Xvfb), the portable core natively under ASan and UBSan, and short fuzz runs.
# Exits non-zero on any failure.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
cd "$VARNEL_ROOT"

FUZZ_SECONDS="${VARNEL_FUZZ_SECONDS:-20}"
status=0

step() { echo; echo "=== $*"; }

step "layering (scripts/check_layers.py)"
python3 scripts/check_layers.py || status=1

step "native build (linux preset: ASan, UBSan, fuzzers)"
cmake --preset linux >/dev/null
cmake --build --preset linux

step "native tests"
ctest --preset linux -j "$(nproc)" || status=1

step "ThreadSanitizer (linux-tsan preset: the directory engines' tests, the parallel walk)"
cmake --preset linux-tsan >/dev/null
cmake --build --preset linux-tsan --target varnel_directory_tests
ctest --preset linux-tsan -R '^varnel_directory_tests$' || status=1

step "fuzzing, ${FUZZ_SECONDS}s per target (VARNEL_FUZZ_SECONDS; longer runs: scripts/fuzz.sh)"
scripts/fuzz.sh "$FUZZ_SECONDS" || status=1

step "Windows build (mingw-w64)"
cmake --preset windows >/dev/null
cmake --build --preset windows

step "Windows tests under Wine"
varnel_prepare_wine
varnel_start_display
varnel_hold_wine_session
trap 'varnel_release_wine_session; varnel_stop_display' EXIT
# The window tests take the desktop one at a time (RESOURCE_LOCK); the
# console tests run beside them.
ctest --preset windows -j "$(nproc)" || status=1

step "benchmarks build (not run; see scripts/bench.sh)"
cmake --preset bench >/dev/null
cmake --build --preset bench

if [[ $status -ne 0 ]]; then
  echo; echo "SOME TESTS FAILED"
else
  echo; echo "ALL TESTS PASSED"
fi
exit $status
