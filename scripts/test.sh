#!/usr/bin/env bash
# The test command: installs what is missing, builds both trees and runs every
# test tier. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

TW_TEST_PACKAGES=(ntfs-3g sleuthkit fuse3 gzip xz-utils attr)
# The GUI tier: the Windows program under Wine on a virtual X screen.
TW_GUI_PACKAGES=(wine64 wine xvfb xdotool imagemagick fonts-noto-cjk python3 icoutils)
tw_ensure_packages "${TW_BUILD_PACKAGES[@]}" "${TW_TEST_PACKAGES[@]}" "${TW_GUI_PACKAGES[@]}"

echo "== host build (build/host)"
tw_build_host build/host -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== Windows build (build/win)"
tw_build_win build/win

echo "== unit and image tests"
ctest --test-dir build/host --output-on-failure -j "$TW_JOBS"

echo "== GUI tests (Wine, Xvfb)"
tests/gui/run_gui_tests.sh build/win build/host
