#!/usr/bin/env bash
# Measures how fast the result views answer on a folder of many files: builds
# (once, cached) a real NTFS volume with one folder of N files (default
# 100000), and optionally M more files in folders of 1000 beside it, through
# mkntfs and ntfs-3g, scans it with tarnwick.exe under Wine,
# then times with the test probe (each figure is one message round trip plus
# the repaint it causes):
#   opening the folder (its treemap then shows every file),
#   opening its "[直接文件]" row (N file rows),
#   sorting the rows by each of the nine columns,
#   scrolling to the last row, and pressing End (which also selects it),
#   one repaint of the whole window.
# Prints the figures; it is a measurement, not a test.
#
#   tools/wine/measure_views.sh [WIN_BUILD_DIR] [FILES] [MORE_FILES]
# Needs root (FUSE), ntfs-3g, wine, xvfb; about 30 s per 100,000 files to build.
#
# With TW_MEASURE_SEARCH=IMAGE it measures the 搜索 page instead, on that
# volume (the 1,000,000-file synthetic one, say; it is only read): from the
# last keystroke of a query to its count line and first rows shown.
#
#   TW_MEASURE_SEARCH=/path/syn1m.img tools/wine/measure_views.sh [WIN_BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
win=$(readlink -f "${1:-build/win}")
files=${2:-100000}
more=${3:-0}
source tools/wine/wine_env.sh

cache=${TW_MEASURE_CACHE:-/tmp/tarnwick-measure}
image="$cache/wide-$files-$more.img"
[ -n "${TW_MEASURE_SEARCH:-}" ] && image=$TW_MEASURE_SEARCH
mkdir -p "$cache"
if [ ! -f "$image" ]; then
  echo "building a volume with one folder of $files files and $more more"
  mnt=$(mktemp -d)
  truncate -s $(((files + more) / 1000 * 3 + 64))M "$image.part"
  mkntfs -F -q -f -L Wide "$image.part" >/dev/null 2>&1
  ntfs-3g "$image.part" "$mnt"
  mkdir -p "$mnt/wide" "$mnt/other/a" "$mnt/other/b"
  python3 - "$mnt" "$files" "$more" <<'PY'
import os, sys
root, n, more = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
extensions = ["txt", "log", "dat", "jpg", "cpp", "h", "json", "bin"]
def fill(folder, count, salt):
    os.makedirs(folder, exist_ok=True)
    for i in range(count):
        with open(os.path.join(folder, f"f{(i * 7919) % count:06d}.{extensions[(i + salt) % 8]}"), "wb") as f:
            f.write(b"x" * (1 + (i * 37 + salt) % 600))
fill(os.path.join(root, "wide"), n, 0)
for k in range(0, more, 1000):
    fill(os.path.join(root, "more", f"d{k // 100000:02d}", f"{k:07d}"), min(1000, more - k), k)
PY
  echo small >"$mnt/other/a/one.txt"
  umount "$mnt"
  rmdir "$mnt"
  mv "$image.part" "$image"
fi

work=$(mktemp -d /tmp/tarnwick-measure.XXXXXX)
cleanup() {
  tw_wine_stop
  [ -n "${TW_XVFB_PID:-}" ] && kill "$TW_XVFB_PID" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
tw_xvfb_start
tw_wine_prefix "$work/prefix"
tw_wine_map_drive "$WINEPREFIX" x "$image"
if [ -n "${TW_MEASURE_SEARCH:-}" ]; then
  python3 tests/gui/measure_views.py --bin "$win/bin" --shots "$work" --search
else
  python3 tests/gui/measure_views.py --bin "$win/bin" --shots "$work" --files "$files"
fi
