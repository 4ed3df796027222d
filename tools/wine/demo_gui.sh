#!/usr/bin/env bash
# scripts/demo.sh --gui: the Windows program under Wine. Builds the Windows tree and opens
# tarnwick.exe with the sample NTFS volume mapped as drive X:.
#  - With a display (DISPLAY set and answering): the program opens there, in a
#    Wine desktop window; choose [X:] and press 扫描. Ends when you choose 退出
#    in its tray menu.
#  - Without one: runs on Xvfb, chooses [X:], presses 扫描, saves a screenshot
#    and prints its path and the status line.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib.sh
source tools/wine/wine_env.sh

tw_ensure_packages "${TW_BUILD_PACKAGES[@]}" gzip wine64 wine xvfb xdotool imagemagick fonts-noto-cjk >&2

cmake -S "$TW_ROOT" -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TW_ROOT/cmake/mingw-w64.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win --target tarnwick tarnwick-probe -j "$TW_JOBS" >&2

sample=$(tw_sample_image)

# One prefix for the demo, kept between runs (the first start takes a while).
prefix=$TW_ROOT/build/wine-demo
if [ ! -f "$prefix/tarnwick.reg" ]; then
  echo "preparing the Wine prefix $prefix" >&2
  has_display=${DISPLAY:-}
  [ -n "$has_display" ] || tw_xvfb_start
  tw_wine_prefix "$prefix"
  [ -n "$has_display" ] || { kill "$TW_XVFB_PID" 2>/dev/null || true; unset DISPLAY TW_XVFB_PID; }
fi
export WINEPREFIX=$prefix WINEDEBUG=-all
tw_wine_map_drive "$prefix" x "$sample"

if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
  echo "tarnwick.exe on $DISPLAY: choose [X:] and press 扫描; 退出 in the tray menu ends it" >&2
  exec wine build/win/bin/tarnwick.exe
fi

tw_xvfb_start
trap 'tw_wine_stop; kill "$TW_XVFB_PID" 2>/dev/null || true' EXIT
shot=$TW_ROOT/build/demo-gui.png
python3 tests/gui/gui_test.py --bin "$TW_ROOT/build/win/bin" --shots "$TW_ROOT/build/demo-gui" --demo "$shot"
echo "screenshot: $shot"
