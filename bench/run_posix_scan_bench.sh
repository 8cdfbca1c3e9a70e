#!/usr/bin/env bash
# Folder scans natively on Linux, warm cache, in one run on one generated
# tree (1,000,000 files by default, made once by make_folder_tree.py and
# cached): varnelscan from the bench preset against `du -s`, `gdu -n -p` and
# `ncdu -0 -o /dev/null` over the same tree. Each line is the median wall
# time of three runs, then the processor time (user + system) and peak
# resident memory of one more (/usr/bin/time -v), with ratios to the first
# varnelscan line. On a busy machine wall times follow the load; processor
# time says what each tool costs. Nothing is asserted; figures only. Needs
# the Debian packages gdu, ncdu and time.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/env.sh"
cd "$VARNEL_ROOT"

missing=()
for tool in du gdu ncdu /usr/bin/time; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if ((${#missing[@]} > 0)); then
  echo "run_posix_scan_bench: missing ${missing[*]}; install them with: apt-get install gdu ncdu time" >&2
  exit 1
fi

files="${1:-1000000}"
tree="${VARNEL_BENCH_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/varnel-bench}/tree-$files"
if [[ ! -d $tree ]]; then
  echo "generating $tree (once; a million files take many minutes)" >&2
  python3 bench/make_folder_tree.py "$tree.partial" "$files" >&2
  mv "$tree.partial" "$tree"
fi
cmake --preset bench >/dev/null
cmake --build --preset bench --target varnelscan >/dev/null
exe="build/bench/tools/varnelscan/varnelscan"

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
wall_ms() {  # runs "$@" three times, prints the median wall time in ms
  for _ in 1 2 3; do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
  done | median
}
cpu_and_peak() {  # runs "$@" once, prints its processor seconds and peak resident set in MiB
  /usr/bin/time -v "$@" 2>&1 >/dev/null |
    awk '/User time|System time/ {cpu += $NF} /Maximum resident set size/ {mib = $NF / 1024}
         END {printf "%.2f %.1f", cpu, mib}'
}

du -s "$tree" >/dev/null  # warm the page, inode and dentry caches
nodes=$("$exe" "$tree" | awk '/^(files|folders):/ {n += $2} END {print n}')
echo "tree: $tree ($nodes files and folders), $(nproc) cores"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-26s %9s %7s %8s %7s %9s %7s\n' "what" "wall ms" "÷ ours" "cpu s" "÷ ours" "peak MiB" "÷ ours"
ours_ms=0
ours_cpu=0
ours_mib=0
row() {
  local name="$1"
  shift
  local ms cpu mib
  ms=$(wall_ms "$@")
  read -r cpu mib <<<"$(cpu_and_peak "$@")"
  if [[ $ours_ms == 0 ]]; then
    ours_ms=$ms
    ours_cpu=$cpu
    ours_mib=$mib
  fi
  printf '%-26s %9d %7.2f %8.2f %7.2f %9.1f %7.2f\n' "$name" "$ms" "$(echo "$ms / $ours_ms" | bc -l)" \
    "$cpu" "$(echo "$cpu / $ours_cpu" | bc -l)" "$mib" "$(echo "$mib / $ours_mib" | bc -l)"
}
row "varnelscan (8 workers)" "$exe" "$tree"
row "varnelscan --threads 2" "$exe" --threads 2 "$tree"
row "varnelscan --threads 1" "$exe" --threads 1 "$tree"
row "du -s" du -s "$tree"
row "gdu -n -p" gdu -n -p "$tree"
row "ncdu -0 -o /dev/null" ncdu -0 -o /dev/null "$tree"
