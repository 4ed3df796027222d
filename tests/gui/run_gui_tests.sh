#!/usr/bin/env bash
# The GUI tier: tarnwick.exe from the Windows tree under Wine on Xvfb, with
# drive X: mapped to the sample NTFS volume, V: to the views volume (25
# folders of one size, a folder of 10,000 small files; made by
# tools/make_views_volume.sh), W: to the sample volume under a volume serial
# number of its own (changed through an ntfs-3g mount between two scans) and
# Y: to a volume that is not NTFS, checked by
# tests/gui/gui_test.py against the command-line scanner's counts for X:.
# Closes with "N passed, N failed"; exits non-zero on any failure.
#
#   tests/gui/run_gui_tests.sh [WIN_BUILD_DIR] [HOST_BUILD_DIR]
#     (defaults build/win and build/host; screenshots go to WIN_BUILD_DIR/gui-test)
set -euo pipefail
cd "$(dirname "$0")/../.."
win=${1:-build/win}
host=${2:-build/host}
source tools/wine/wine_env.sh

for exe in "$win/bin/tarnwick.exe" "$win/bin/tarnwick-probe.exe"; do
  [ -f "$exe" ] || { echo "missing $exe (build the Windows tree first)"; echo "0 passed, 1 failed"; exit 1; }
done
sample_gz=tests/data/sample.img.gz
views_xz=tests/data/views.img.xz
for image in "$sample_gz" "$views_xz"; do
  [ -f "$image" ] || { echo "missing $image"; echo "0 passed, 1 failed"; exit 1; }
done

work=$(mktemp -d /tmp/tarnwick-gui.XXXXXX)
shots=$(readlink -f "$win")/gui-test
rm -rf "$shots"
mkdir -p "$shots"
cleanup() {
  tw_wine_stop
  [ -n "${TW_XVFB_PID:-}" ] && kill "$TW_XVFB_PID" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

gzip -dc "$sample_gz" | cp --sparse=always /dev/stdin "$work/x.img"
xz -dc "$views_xz" | cp --sparse=always /dev/stdin "$work/v.img"
truncate -s 16M "$work/y.img"  # zeros: no NTFS boot sector
# Serial number bytes 72..79 of the boot sector: W: remembers its own scans.
gzip -dc "$sample_gz" | cp --sparse=always /dev/stdin "$work/w.img"
printf 'TWCHANGE' | dd of="$work/w.img" bs=1 seek=72 conv=notrunc status=none

# What the command-line scanner reports for the same volume.
counts=()
if [ -x "$host/bin/tarnwick-scan" ]; then
  read -r files folders < <("$host/bin/tarnwick-scan" --json --drive-letter X "$work/x.img" |
    python3 -c 'import json, sys; r = json.load(sys.stdin); print(r["file_count"], r["folder_count"])')
  echo "tarnwick-scan: $files files, $folders folders on X:"
  counts=(--files "$files" --folders "$folders" --scanner "$(readlink -f "$host/bin/tarnwick-scan")")
fi

echo "preparing a Wine prefix and a virtual screen"
# Room for the 144 DPI desktop, whose window is 1980 x 1260.
TW_XVFB_SCREEN=2400x1600 tw_xvfb_start
tw_wine_prefix "$work/prefix"
tw_wine_map_drive "$WINEPREFIX" x "$work/x.img"
tw_wine_map_drive "$WINEPREFIX" v "$work/v.img"  # not z: (Wine maps it to /)
tw_wine_map_drive "$WINEPREFIX" w "$work/w.img"
tw_wine_map_drive "$WINEPREFIX" y "$work/y.img"

python3 tests/gui/gui_test.py --bin "$(readlink -f "$win/bin")" --shots "$shots" --change-image "$work/w.img" \
  --x-image "$work/x.img" "${counts[@]}"
