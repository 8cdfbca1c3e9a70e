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

step "native build (linux preset: ASan, UBSan, fuzzers)"
cmake --preset linux >/dev/null
cmake --build --preset linux

step "native tests"
ctest --preset linux || status=1

step "fuzzing, ${FUZZ_SECONDS}s per target"
for corpus in fuzz/corpus/*/; do
  name="$(basename "$corpus")"
  fuzzer="build/linux/fuzz/fuzz_$name"
  if [[ ! -x $fuzzer ]]; then echo "missing fuzzer for corpus $name" >&2; status=1; continue; fi
  # New inputs go to a scratch folder so the committed corpus stays small.
  scratch="$(mktemp -d)"
  if ! "$fuzzer" -max_total_time="$FUZZ_SECONDS" -timeout=10 -rss_limit_mb=4096 \
      -artifact_prefix="build/linux/fuzz/" "$scratch" "$corpus" >"build/linux/fuzz/$name.log" 2>&1; then
    echo "fuzz_$name FAILED; see build/linux/fuzz/$name.log" >&2
    tail -30 "build/linux/fuzz/$name.log" >&2
    status=1
  else
    echo "fuzz_$name: $(grep -E '^Done' "build/linux/fuzz/$name.log" || echo done)"
  fi
  rm -rf "$scratch"
done

step "Windows build (mingw-w64)"
cmake --preset windows >/dev/null
cmake --build --preset windows

step "Windows tests under Wine"
varnel_prepare_wine
varnel_start_display
trap varnel_stop_display EXIT
ctest --preset windows || status=1

step "benchmarks build (not run; see scripts/bench.sh)"
cmake --preset bench >/dev/null
cmake --build --preset bench

if [[ $status -ne 0 ]]; then
  echo; echo "SOME TESTS FAILED"
else
  echo; echo "ALL TESTS PASSED"
fi
exit $status
