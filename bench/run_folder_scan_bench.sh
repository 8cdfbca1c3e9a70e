#!/usr/bin/env bash
# Folder scans under Wine against a native directory walk, on one 100,000-file
# tree: varnelscan with the walk engine and the native engine at 1, 2 and 8
# workers, each as a ratio to `find -printf %s` over the same tree. Wine's own
# start-up is measured too (varnelscan --help), and each scan's own
# elapsed_ms, so the ratio can be split into start-up, scan and Wine's file
# layer. Each engine's peak memory above Wine's own start-up is divided by
# the nodes it found: bytes per node, the tree and everything the scan held
# on the way. Nothing is asserted; figures only.
# VARNEL_BENCH_ENGINES picks the runs, e.g. "ntquery 8" for a large tree.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/env.sh"
cd "$VARNEL_ROOT"

files="${1:-100000}"
tree="${VARNEL_BENCH_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/varnel-bench}/tree-$files"
if [[ ! -d $tree ]]; then
  python3 bench/make_folder_tree.py "$tree" "$files"
fi
cmake --preset windows >/dev/null
cmake --build --preset windows --target varnelscan >/dev/null
varnel_prepare_wine
exe="build/windows/tools/varnelscan/varnelscan.exe"
wintree="$("$VARNEL_WINE" winepath -w "$tree" 2>/dev/null)"

peak_kib() {  # runs "$@" once, prints its peak resident set in KiB
  /usr/bin/time -f '%M' -o "$peak_file" "$@" >/dev/null 2>&1 || true
  cat "$peak_file"
}
peak_file="$(mktemp)"
trap 'rm -f "$peak_file"' EXIT

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
wall_ms() {  # runs "$@" three times, prints the median wall time in ms
  for _ in 1 2 3; do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
  done | median
}

find "$tree" -printf '%s\n' >/dev/null  # warm the page and dentry caches
base=$(wall_ms find "$tree" -printf '%s\n')
startup=$(wall_ms "$VARNEL_WINE" "$exe" --help)
startup_kib=$(peak_kib "$VARNEL_WINE" "$exe" --help)
printf '%-28s %8s %8s %10s %12s\n' "what" "wall ms" "÷ find" "scan ms" "bytes/node"
printf '%-28s %8d %8s %10s %12s\n' "find -printf %s (native)" "$base" "1.0" "-" "-"
printf '%-28s %8d %8.1f %10s %12s\n' "wine start-up (--help)" "$startup" "$(echo "$startup / $base" | bc -l)" "-" "-"
IFS='|' read -r -a engines <<<"${VARNEL_BENCH_ENGINES:-walk 0|ntquery 1|ntquery 2|ntquery 8}"
for engine in "${engines[@]}"; do
  set -- $engine
  wall=$(wall_ms "$VARNEL_WINE" "$exe" --engine "$1" --threads "$2" "$wintree")
  summary=$("$VARNEL_WINE" "$exe" --engine "$1" --threads "$2" "$wintree" 2>/dev/null)
  scan=$(awk '/^elapsed_ms:/ {print $2}' <<<"$summary")
  nodes=$(awk '/^(files|folders):/ {n += $2} END {print n}' <<<"$summary")
  peak=$(peak_kib "$VARNEL_WINE" "$exe" --engine "$1" --threads "$2" "$wintree")
  printf '%-28s %8d %8.1f %10s %12.1f\n' "varnelscan $1 ×$2" "$wall" "$(echo "$wall / $base" | bc -l)" "$scan" \
    "$(echo "($peak - $startup_kib) * 1024 / $nodes" | bc -l)"
done
