#!/usr/bin/env bash
# The test command: installs what is missing, builds the host tree and runs its
# tests, builds the Windows tree and runs the GUI tier, then the host tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer, the threaded
# tests under ThreadSanitizer, and a short regression run of every fuzz
# target over its committed corpus. Exits non-zero on the first failure.
#
#   scripts/test.sh           every tier
#   scripts/test.sh --quick   the host build and the tests labelled unit only
#                             (no volume image, no Wine, no sanitizer)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

quick=0
case "${1:-}" in
  --quick) quick=1 ;;
  "") ;;
  *) echo "usage: scripts/test.sh [--quick]" >&2; exit 2 ;;
esac

if [ $quick -eq 1 ]; then
  tw_ensure_packages "${TW_HOST_PACKAGES[@]}"
  echo "== host build (build/host)"
  tw_build_host build/host -DCMAKE_BUILD_TYPE=RelWithDebInfo
  echo "== unit tests"
  ctest --test-dir build/host --output-on-failure -j "$TW_JOBS" -L '^unit$'
  exit 0
fi

TW_TEST_PACKAGES=(ntfs-3g sleuthkit fuse3 gzip xz-utils attr)
# The ncdu export is read back by ncdu (driven in tmux) and by gdu.
TW_IMPORT_PACKAGES=(ncdu gdu tmux)
# The GUI tier: the Windows program under Wine on a virtual X screen.
TW_GUI_PACKAGES=(wine64 wine xvfb xdotool imagemagick fonts-noto-cjk python3 icoutils)
tw_ensure_packages "${TW_BUILD_PACKAGES[@]}" "${TW_TEST_PACKAGES[@]}" "${TW_IMPORT_PACKAGES[@]}" \
                   "${TW_GUI_PACKAGES[@]}" "${TW_FUZZ_PACKAGES[@]}"

echo "== host build (build/host)"
tw_build_host build/host -DCMAKE_BUILD_TYPE=RelWithDebInfo

# The host tests come first, so that a failing one stops the run before the
# Windows build.
echo "== unit, image and binary tests"
ctest --test-dir build/host --output-on-failure -j "$TW_JOBS"

echo "== the ncdu export read back by ncdu and gdu"
tests/cli/ncdu_import_test.sh build/host/bin/tarnwick-scan

echo "== Windows build (build/win)"
tw_build_win build/win

echo "== GUI tests (Wine, Xvfb)"
tests/gui/run_gui_tests.sh build/win build/host

# Any sanitizer report ends the program with a failure.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

echo "== unit and image tests under AddressSanitizer + UndefinedBehaviorSanitizer (build/asan)"
tw_build_host build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_SANITIZE=address,undefined
ctest --test-dir build/asan --output-on-failure -j "$TW_JOBS"

echo "== window pass, tree building, workers, driver, snapshot and search tests under ThreadSanitizer (build/tsan)"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_SANITIZE=thread >/dev/null
cmake --build build/tsan -j "$TW_JOBS" --target base_tests scan_tests engine_tests model_tests store_tests search_tests
# ThreadSanitizer cannot map its shadow memory under full address-space
# randomisation on some kernels; the tests run with it turned off.
setarch "$(uname -m)" -R ctest --test-dir build/tsan --output-on-failure -j "$TW_JOBS" \
  -R '^(Threads/WindowPassThreads|WindowPass|ScanDriver|ScanSourceMft|ScanWorker|ResultJob|Snapshot|ScanMemory|Matcher|RunParallel|GroupedTreeBuilding)'

echo "== fuzz targets: regression runs over the committed corpora (build/fuzz)"
fuzz_targets=(fuzz_record fuzz_data_runs fuzz_overflow fuzz_volume fuzz_snapshot)
tw_build_fuzz build/fuzz "${fuzz_targets[@]}"
for target in "${fuzz_targets[@]}"; do
  scratch=$(mktemp -d)
  # New inputs go to the scratch folder; the committed corpus is only read.
  build/fuzz/bin/$target -seed=1 -runs=10000 -timeout=30 -rss_limit_mb=4096 "$scratch" \
    "tests/fuzz/corpus/$target" >"build/fuzz/$target.regression.log" 2>&1 || {
    tail -n 60 "build/fuzz/$target.regression.log"
    rm -rf "$scratch"
    echo "$target: finding on the regression run" >&2
    exit 1
  }
  rm -rf "$scratch"
  echo "$target: $(grep -E '^Done [0-9]+ runs' "build/fuzz/$target.regression.log")"
done
