#!/usr/bin/env bash
# The main job: installs what is missing, builds tarnwick-scan in build/host and
# scans the sample volume, printing the report on stdout. Extra arguments go to
# tarnwick-scan; when they name a SOURCE it is scanned instead of the sample:
#   scripts/demo.sh                 the report of the sample volume, and its
#                                   treemap picture in build/sample/treemap.png
#   scripts/demo.sh --json          its JSON document
#   scripts/demo.sh /dev/sdb1       the report of a partition
#   scripts/demo.sh --gui           tarnwick.exe under Wine, the sample volume as
#                                   drive X: (tools/wine/demo_gui.sh)
# Installing and building talk on stderr, so stdout holds only the output.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --gui ]; then
  shift
  exec bash tools/wine/demo_gui.sh "$@"
fi
source scripts/lib.sh

tw_ensure_packages "${TW_BUILD_PACKAGES[@]}" gzip >&2

cmake -S "$TW_ROOT" -B build/host -G Ninja >/dev/null
cmake --build build/host --target tarnwick-scan -j "$TW_JOBS" >&2

# Does the command line name its own SOURCE (or ask for --help/--version)?
names_source=no
expect_value=no
options_ended=no
for arg in "$@"; do
  if [ "$expect_value" = yes ]; then expect_value=no; continue; fi
  if [ "$options_ended" = no ]; then
    case $arg in
      --) options_ended=yes; continue ;;
      --help|-h|--version) names_source=yes; continue ;;
      --drive-letter|--partition|--depth|--top|--threads|--treemap|--treemap-size|--ncdu|--save) expect_value=yes; continue ;;
      -?*) continue ;;
    esac
  fi
  names_source=yes
done

if [ "$names_source" = yes ]; then
  exec build/host/bin/tarnwick-scan "$@"
fi

# The sample volume: unpacked sparse from tests/data, or built by its script
# when the compressed image is missing. Its treemap picture goes to
# build/sample/treemap.png unless the arguments ask for one elsewhere.
sample=$(tw_sample_image)
picture=build/sample/treemap.png
for arg in "$@"; do
  case $arg in --treemap|--treemap=*|--compare) picture= ;; esac
done
status=0
build/host/bin/tarnwick-scan ${picture:+--treemap "$picture"} "$@" "$sample" || status=$?
if [ "$status" -eq 0 ] && [ -n "$picture" ]; then
  echo "treemap picture: $TW_ROOT/$picture" >&2
fi
exit "$status"
