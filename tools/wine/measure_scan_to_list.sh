#!/usr/bin/env bash
# Measures, under Wine, the time from pressing 扫描 to the folder list holding
# the result, and to the comparison with the volume's previous scan being
# shown, on a volume image (default: the real 1,000,000-file benchmark
# volume of tools/make_bench_volume.sh). The first scan of a fresh prefix has
# nothing to compare with and is not counted; RUNS scans follow, each
# compared with the one before. Prints each run (with the scan's own time
# from the status line and the load average) and the medians; it is a
# measurement, not a test.
#
#   tools/wine/measure_scan_to_list.sh [WIN_BUILD_DIR] [IMAGE] [RUNS]
#     (defaults build/win, $TW_BENCH_CACHE/real-v1-1000000.img, 5)
# The probe comes from WIN_BUILD_DIR, or from TW_PROBE when set (to time
# another build of tarnwick.exe with this probe).
set -euo pipefail
cd "$(dirname "$0")/../.."
win=$(readlink -f "${1:-build/win}")
image=$(readlink -f "${2:-${TW_BENCH_CACHE:-$HOME/.cache/tarnwick-bench}/real-v1-1000000.img}")
runs=${3:-5}
probe=${TW_PROBE:-$win/bin/tarnwick-probe.exe}
[ -f "$image" ] || { echo "no image $image (tools/make_bench_volume.sh makes it)"; exit 1; }
source tools/wine/wine_env.sh

work=$(mktemp -d /tmp/tarnwick-scan-to-list.XXXXXX)
cleanup() {
  tw_wine_stop
  [ -n "${TW_XVFB_PID:-}" ] && kill "$TW_XVFB_PID" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
tw_xvfb_start
tw_wine_prefix "$work/prefix"
tw_wine_map_drive "$WINEPREFIX" x "$image"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$win/bin/tarnwick.exe" "$probe" "$runs" <<'PY'
import json, re, statistics, subprocess, sys, time
sys.path.insert(0, "tests/gui")
import gui_test as g

exe, probe, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
app = subprocess.Popen(["wine", exe], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

def run(*args):
    out = subprocess.run(["wine", probe, *args], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=900)
    return json.loads(out.stdout.decode("utf-8")) if out.stdout.strip() else None

try:
    for _ in range(600):
        d = run("dump")
        if d and d.get("found") and d["visible"] and len(d["controls"]) >= 16:
            break
        time.sleep(0.1)
    class Gui:
        def dump(self, wait_ms=0): return run("dump", str(wait_ms))
        def click(self, x, y, button=1):
            subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", str(button)])
        def key(self, *keys): subprocess.run(["xdotool", "key", *keys])
    d = g.select_drive(Gui(), d, "[X:]")
    first = run("scan-timing")
    print(f"first scan (nothing to compare): {first}")
    listed, compared, scanned = [], [], []
    for i in range(runs):
        load = open("/proc/loadavg").read().split()[0]
        t = run("scan-timing")
        status = next(c["text"] for c in run("dump")["controls"] if c["id"] == 1005)
        m = re.match(r"扫描完成 ([0-9.]+) 秒", status)
        scan = float(m[1]) if m else float("nan")
        print(f"run {i + 1} (load {load}): the scan itself {scan:.2f} s, folder list filled "
              f"{t['list_ms'] / 1000:.2f} s, comparison shown {t['compared_ms'] / 1000:.2f} s")
        listed.append(t["list_ms"])
        compared.append(t["compared_ms"])
        scanned.append(scan)
    print(f"median: the scan itself {statistics.median(scanned):.2f} s, folder list filled "
          f"{statistics.median(listed) / 1000:.2f} s, comparison shown {statistics.median(compared) / 1000:.2f} s")
finally:
    subprocess.run(["wine", probe, "command", "1016"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        app.wait(30)
    except subprocess.TimeoutExpired:
        app.kill()
PY
