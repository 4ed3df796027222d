#!/usr/bin/env bash
# Long fuzzing runs outside CI: builds the libFuzzer targets with clang in
# build/fuzz and runs one of them for the given number of seconds.
#
#   scripts/fuzz.sh TARGET SECONDS     TARGET: record, data_runs, overflow, volume
#
# The run starts from the committed corpus (tests/fuzz/corpus/fuzz_TARGET) and
# grows a working copy in build/fuzz/corpus/ so the repository stays as it is.
# It keeps going after a finding (fork mode); every crashing, leaking or slow
# input is saved in build/fuzz/artifacts/TARGET/ and listed at the end. A
# finding is mended in the engine, gets a regression test, and its input is
# copied into the committed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

if [ $# -ne 2 ]; then
  echo "usage: $0 TARGET SECONDS   (TARGET: record, data_runs, overflow, volume)" >&2
  exit 2
fi
target=fuzz_${1#fuzz_}
seconds=$2
[ -f "tests/fuzz/$target.cpp" ] || { echo "no fuzz target $target" >&2; exit 2; }

tw_build_fuzz build/fuzz "$target"

work=build/fuzz/corpus/$target
artifacts=build/fuzz/artifacts/$target
mkdir -p "$work" "$artifacts"
log=build/fuzz/$target.log
echo "== $target for ${seconds}s (log: $log)"
set +e
build/fuzz/bin/$target -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
  -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "$work" "tests/fuzz/corpus/$target" >"$log" 2>&1
status=$?
set -e
grep -E '^#[0-9]+' "$log" | tail -1
findings=$(find "$artifacts" -type f | wc -l)
echo "== $target: exit $status, $findings finding(s) in $artifacts"
find "$artifacts" -type f
[ "$findings" -eq 0 ]
