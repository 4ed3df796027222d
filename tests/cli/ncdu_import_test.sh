#!/usr/bin/env bash
# Whether ncdu and gdu read tarnwick-scan's --ncdu export of the sample volume
# and arrive at the scan's own totals: gdu non-interactively, in bytes; ncdu
# in a detached tmux session, from the totals line at the foot of its screen.
# Prints every comparison; closes with "N passed, N failed" and exits
# non-zero on any mismatch.
#
#   tests/cli/ncdu_import_test.sh [TARNWICK_SCAN]   (default build/host/bin/tarnwick-scan)
set -euo pipefail
cd "$(dirname "$0")/../.."
scanner=${1:-build/host/bin/tarnwick-scan}
for tool in "$scanner" ncdu gdu tmux python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool"; echo "0 passed, 1 failed"; exit 1; }
done

work=$(mktemp -d /tmp/tarnwick-ncdu.XXXXXX)
tmux_socket="tarnwick-ncdu-$$"
cleanup() {
  tmux -L "$tmux_socket" kill-server 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

gzip -dc tests/data/sample.img.gz | cp --sparse=always /dev/stdin "$work/sample.img"
"$scanner" -q --json "$work/sample.img" >"$work/scan.json"
"$scanner" -q --ncdu "$work/export.json" "$work/sample.img" >/dev/null

passed=0
failed=0
check() {  # what, expected, shown
  if [ "$2" = "$3" ]; then
    echo "ok    $1: $3"
    passed=$((passed + 1))
  else
    echo "FAIL  $1: expected $2, shown $3"
    failed=$((failed + 1))
  fi
}

# The scan's totals: logical bytes, allocated bytes, and files and folders
# below the root.
read -r size alloc items folders < <(python3 -c '
import json, sys
doc = json.load(open(sys.argv[1]))
root = doc["folders"][0]
print(doc["root_total_size"], root["total_alloc"], doc["file_count"] + doc["folder_count"], doc["folder_count"])
' "$work/scan.json")
echo "scan: size $size B, allocated $alloc B, $items items"

# gdu counts 4096 bytes for every folder itself (the root too), on top of
# the bytes of the files the export lists.
gdu_extra=$(( (folders + 1) * 4096 ))
gdu_usage=$(gdu -f "$work/export.json" -n -p --no-prefix -s | awk '{print $1}')
gdu_apparent=$(gdu -f "$work/export.json" -n -p --no-prefix -s -a | awk '{print $1}')
check "gdu disk usage (allocated + 4096 B a folder)" "$((alloc + gdu_extra))" "$gdu_usage"
check "gdu apparent size (size + 4096 B a folder)" "$((size + gdu_extra))" "$gdu_apparent"

# ncdu prints " Total disk usage:  34.7 MiB  Apparent size:  40.1 MiB  Items: 377"
# once the import is done.
tmux -L "$tmux_socket" new-session -d -x 120 -y 30 "ncdu -f '$work/export.json'; sleep 60"
screen=""
for _ in $(seq 1 100); do
  screen=$(tmux -L "$tmux_socket" capture-pane -p)
  grep -q "Total disk usage:" <<<"$screen" && break
  sleep 0.1
done
echo "ncdu's screen:"
grep -v "^ *$" <<<"$screen" | sed "s/^/  | /"
totals=$(grep -o "Total disk usage:.*" <<<"$screen" || true)
# Figures as ncdu words them: "34.7_MiB 40.1_MiB 377" from its line, and the
# same from the scan's bytes (bytes below 1000, then KiB below 1023e3 bytes,
# MiB below 1023e6 and so on, one decimal).
read -r ncdu_usage ncdu_apparent ncdu_items < <(python3 -c '
import re, sys
m = re.search(r"Total disk usage:\s*([\d.]+) (\S+)\s+Apparent size:\s*([\d.]+) (\S+)\s+Items:\s*(\d+)", sys.argv[1])
print(f"{m[1]}_{m[2]} {m[3]}_{m[4]} {m[5]}" if m else "none none none")
' "$totals")
read -r expected_usage expected_apparent < <(python3 -c '
import sys
def shown(n):
    for limit, scale, unit in ((1000, 1, "B"), (1023e3, 1024, "KiB"), (1023e6, 1024**2, "MiB"), (1023e9, 1024**3, "GiB")):
        if n < limit:
            return "%.1f_%s" % (n / scale, unit)
    return "%.1f_TiB" % (n / 1024**4)
print(shown(int(sys.argv[1])), shown(int(sys.argv[2])))
' "$alloc" "$size")
check "ncdu total disk usage (allocated)" "$expected_usage" "$ncdu_usage"
check "ncdu apparent size (size)" "$expected_apparent" "$ncdu_apparent"
check "ncdu items (files and folders)" "$items" "$ncdu_items"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
