#!/usr/bin/env bash
# The MFT engine's benchmark on the large image, page cache warm, in one run:
# bench_mft_scan (I/O floor, EnumerateMft at 1, 2 and the default worker
# count, phases, end-to-end scan, bytes per node), then varnelscan --image
# once with the trace line and its peak memory, then fls -r -p once on the
# same image, and the scan's ratios to both; last, the scan's tree
# compared with The Sleuth Kit's node by node (a fast scan must also be right).
#
# usage: bench/run_mft_bench.sh [FILES]   (default 1000000; builds and caches
#        the image with make_bench_image.sh on first use, which takes minutes)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
image="$(bench/make_bench_image.sh "${1:-1000000}" | tail -1)"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

cmake --preset bench >/dev/null
cmake --build --preset bench --target bench_mft_scan varnelscan >/dev/null
scan=build/bench/tools/varnelscan/varnelscan

echo "image: $image"
# Warm the page cache with everything the image holds (holes read as zeros).
cat "$image" >/dev/null

VARNEL_BENCH_IMAGE="$image" build/bench/bench/bench_mft_scan \
  --benchmark_out="$out/bench.json" --benchmark_out_format=json

VARNEL_MFT_TRACE=1 /usr/bin/time -f "peak_rss_kb=%M" "$scan" --image "$image" >"$out/summary" 2>"$out/trace"
echo; cat "$out/summary"; cat "$out/trace"

/usr/bin/time -f "%e" -o "$out/fls_seconds" fls -r -p "$image" >"$out/fls" 2>/dev/null || true
echo "fls -r -p: $(cat "$out/fls_seconds") s, $(wc -l <"$out/fls") lines"

python3 - "$out" <<'PY'
import json, re, sys
out = sys.argv[1]
bench = {b["name"]: b for b in json.load(open(f"{out}/bench.json"))["benchmarks"]}
def ms(prefix):
    for name, b in bench.items():
        if name.startswith(prefix):
            return b["real_time"]
    raise SystemExit(f"no benchmark {prefix}")
floor, scan = ms("BM_MftIoFloor"), ms("BM_EndToEndScan")
fls = float(open(f"{out}/fls_seconds").read().split()[-1]) * 1000
trace = open(f"{out}/trace").read()
rss = int(re.search(r"peak_rss_kb=(\d+)", trace).group(1)) * 1024
nodes = int(re.search(r"files: (\d+)", open(f"{out}/summary").read()).group(1)) + \
        int(re.search(r"folders: (\d+)", open(f"{out}/summary").read()).group(1))
print(f"\nI/O floor {floor:.0f} ms, end-to-end scan {scan:.0f} ms, fls -r -p {fls:.0f} ms")
print(f"scan / I/O floor = {scan / floor:.1f}x (target at most 3x)")
print(f"fls / scan = {fls / scan:.1f}x (target at least 20x)")
kept = next(b for name, b in bench.items() if name.startswith("BM_ScanPhases"))["kept_bytes_per_node"]
print(f"peak memory of varnelscan --image: {rss / 2**20:.0f} MiB, {rss / nodes:.0f} bytes per node ({nodes} nodes)")
print(f"kept result {kept:.0f} bytes per node; peak / kept = {rss / nodes / kept:.2f}x (target at most 2x)")
PY

echo
python3 tests/tools/varnelscan_image_end_to_end.py --image "$image" "$scan"
