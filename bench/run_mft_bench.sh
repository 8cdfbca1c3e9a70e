#!/usr/bin/env bash
# The MFT engine's benchmark, page cache warm, in one run: on the large image
# bench_mft_scan (I/O floor, EnumerateMft at 1, 2 and the default worker
# count, phases, end-to-end scan, bytes per node), then varnelscan --image
# with the trace line and its peak memory; on the small image varnelscan
# --image against fls -r -p. Every program run is repeated and the best wall
# time counts, with its CPU time beside it (the machine may be shared: the
# load is printed first). Last, the scan's tree on the large image is
# compared with The Sleuth Kit's node by node (a fast scan must also be right).
#
# usage: bench/run_mft_bench.sh [FILES [SMALL_FILES]]   (default 1000000 100000;
#        builds and caches the images with make_bench_image.sh on first use,
#        which takes minutes)
# env:   VARNEL_BENCH_BASELINE  a folder holding another build's varnelscan and
#        bench_mft_scan, measured the same way in the same run
#        VARNEL_BENCH_RUNS      runs of each program (default 5)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
image="$(bench/make_bench_image.sh "${1:-1000000}" | tail -1)"
small="$(bench/make_bench_image.sh "${2:-100000}" | tail -1)"
runs="${VARNEL_BENCH_RUNS:-5}"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

cmake --preset bench >/dev/null
cmake --build --preset bench --target bench_mft_scan varnelscan >/dev/null
builds=("build/bench/bench/bench_mft_scan build/bench/tools/varnelscan/varnelscan")
if [[ -n ${VARNEL_BENCH_BASELINE:-} ]]; then
  builds+=("$VARNEL_BENCH_BASELINE/bench_mft_scan $VARNEL_BENCH_BASELINE/varnelscan")
fi

echo "load: $(uptime)"
echo "image: $image"
echo "small image: $small"
# Warm the page cache with everything the images hold (holes read as zeros).
cat "$image" "$small" >/dev/null

# best_of NAME COMMAND...: runs COMMAND $runs times, keeps the run with the
# least wall time as "wall_s user_s sys_s peak_kb" in $out/NAME.
best_of() {
  local name="$1"; shift
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %U %S %M" -o "$out/$name.one" "$@" >"$out/$name.stdout" 2>"$out/$name.stderr" || true
    cat "$out/$name.one" >>"$out/$name.all"
  done
  sort -n "$out/$name.all" | head -1 >"$out/$name"
}

best_of fls fls -r -p "$small"
i=0
for build in "${builds[@]}"; do
  read -r bench scan <<<"$build"
  echo; echo "== build $i: $scan"
  VARNEL_BENCH_IMAGE="$image" "$bench" --benchmark_out="$out/bench$i.json" --benchmark_out_format=json \
    --benchmark_filter='BM_MftIoFloor|BM_EnumerateMft|BM_ScanPhases|BM_EndToEndScan'
  VARNEL_MFT_TRACE=1 best_of "large$i" "$scan" --image "$image"
  cat "$out/large$i.stdout" "$out/large$i.stderr"
  best_of "small$i" "$scan" --image "$small"
  i=$((i + 1))
done
echo; echo "fls -r -p on the small image: $(wc -l <"$out/fls.stdout") lines"

python3 - "$out" "$i" "$runs" <<'PY'
import json, re, sys
out, builds, runs = sys.argv[1], int(sys.argv[2]), sys.argv[3]
def best(name):
    wall, user, system, peak = open(f"{out}/{name}").read().split()
    return float(wall) * 1000, (float(user) + float(system)) * 1000, int(peak) * 1024
fls_wall, fls_cpu, _ = best("fls")
# Every build reads the same bytes: the least floor any of them measured.
floor = min(next(x["real_time"] for x in json.load(open(f"{out}/bench{b}.json"))["benchmarks"]
                 if x["name"].startswith("BM_MftIoFloor")) for b in range(builds))
print(f"\nbest of {runs} runs each; times in ms, CPU = user + system of the whole process")
print(f"fls -r -p, small image: wall {fls_wall:.0f}, CPU {fls_cpu:.0f}")
for b in range(builds):
    bench = {x["name"]: x for x in json.load(open(f"{out}/bench{b}.json"))["benchmarks"]}
    def first(prefix):
        return next(x for name, x in bench.items() if name.startswith(prefix))
    scan = first("BM_EndToEndScan")["real_time"]
    phases = first("BM_ScanPhases")
    summary = open(f"{out}/large{b}.stdout").read()
    nodes = sum(int(re.search(rf"{k}: (\d+)", summary).group(1)) for k in ("files", "folders"))
    large_wall, large_cpu, peak = best(f"large{b}")
    small_wall, small_cpu, _ = best(f"small{b}")
    kept = phases["kept_bytes_per_node"]
    print(f"\nbuild {b}:")
    print(f"  large image, in process: I/O floor {floor:.0f}, end-to-end scan {scan:.0f}: "
          f"{scan / floor:.2f}x the floor (target at most 1.5x)")
    print(f"  large image, varnelscan --image: wall {large_wall:.0f}, CPU {large_cpu:.0f}: "
          f"{large_wall / floor:.2f}x the floor")
    print(f"  small image, varnelscan --image: wall {small_wall:.0f}, CPU {small_cpu:.0f}; "
          f"fls / scan = {fls_wall / small_wall:.1f}x wall, {fls_cpu / small_cpu:.1f}x CPU (target at least 40x)")
    print(f"  peak memory of varnelscan --image (large): {peak / 2**20:.0f} MiB, {peak / nodes:.0f} bytes per node "
          f"({nodes} nodes); kept result {kept:.0f} bytes per node; peak / kept = {peak / nodes / kept:.2f}x "
          f"(target at most 1.4x)")
    print(f"  phases in process: peak / kept {phases['peak_over_kept']:.2f}x "
          f"(Windows, 2-byte characters: {phases['peak_over_kept_windows']:.2f}x of "
          f"{phases['kept_bytes_per_node_windows']:.0f} bytes per node)")
PY

echo
python3 tests/tools/varnelscan_image_end_to_end.py --image "$image" build/bench/tools/varnelscan/varnelscan
