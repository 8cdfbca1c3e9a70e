#!/usr/bin/env bash
# Runs each libFuzzer target of the linux preset over its seed corpus in
# fuzz/corpus/TARGET. scripts/test.sh runs it briefly; run it by hand for
# longer runs, for example an hour per target:
#
#   cmake --preset linux && cmake --build --preset linux
#   scripts/fuzz.sh 3600                 # every target
#   scripts/fuzz.sh 600 ntfs_image       # one target
#
# usage: scripts/fuzz.sh [SECONDS [TARGET...]]
#   SECONDS per target: default VARNEL_FUZZ_SECONDS, else 20.
# New inputs go to a scratch folder, so the committed corpora stay small. A
# failing input is kept as build/linux/fuzz/crash-* (or leak-*, timeout-*)
# beside the target's log, build/linux/fuzz/TARGET.log. Exits non-zero if
# any target failed. Targets run side by side, one per core
# (VARNEL_FUZZ_JOBS to change that).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds="${1:-${VARNEL_FUZZ_SECONDS:-20}}"
shift $(($# > 0 ? 1 : 0))
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for corpus in fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done
fi

# One target per core at a time: each fuzzer is single-threaded.
jobs="${VARNEL_FUZZ_JOBS:-$(nproc)}"

fuzz_one() {
  local name="$1"
  local fuzzer="build/linux/fuzz/fuzz_$name"
  if [[ ! -x $fuzzer ]]; then echo "missing fuzzer for corpus $name" >&2; return 1; fi
  local scratch log
  scratch="$(mktemp -d)"
  log="build/linux/fuzz/$name.log"
  local result=0
  if ! "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
      -artifact_prefix="build/linux/fuzz/" "$scratch" "fuzz/corpus/$name" >"$log" 2>&1; then
    { echo "fuzz_$name FAILED; see $log"; tail -30 "$log"; } >&2
    result=1
  else
    # The coverage counters show that the code under test is instrumented,
    # not just the harness; the last status line shows how far the run got.
    echo "fuzz_$name: $(grep -m1 -oE '[0-9]+ inline 8-bit counters' "$log"), $(grep -E '^Done' "$log" || echo done)"
  fi
  rm -rf "$scratch"
  return $result
}

status=0
running=0
for name in "${targets[@]}"; do
  fuzz_one "$name" &
  running=$((running + 1))
  if ((running >= jobs)); then
    wait -n || status=1
    running=$((running - 1))
  fi
done
while ((running > 0)); do
  wait -n || status=1
  running=$((running - 1))
done
exit $status
