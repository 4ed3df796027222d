#!/usr/bin/env bash
# The benchmark: tarnwick-scan side by side with the I/O floor and the NTFS
# readers a user could pick instead, on a real 300,000-file volume and on
# synthetic volumes of 1,000,000 and 4,000,000 records. Not a test: it prints
# figures and exits 0 whatever they are.
#
#   scripts/bench.sh                 the tables (about ten minutes on two cores)
#   scripts/bench.sh --instructions  instructions per MFT record (valgrind callgrind)
#   options: --runs N (timed runs per contender, default 5), --skip-synthetic,
#            --skip-real
#
# Volumes are cached in $TW_BENCH_CACHE (default ~/.cache/tarnwick-bench) and
# rebuilt when missing; the real one takes a few minutes through FUSE.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

runs=5
mode=tables
real=1
synthetic=1
while [ $# -gt 0 ]; do
  case $1 in
    --instructions) mode=instructions ;;
    --runs) runs=$2; shift ;;
    --skip-synthetic) synthetic=0 ;;
    --skip-real) real=0 ;;
    -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
    *) echo "bench.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
[ "$runs" -ge 1 ] || { echo "bench.sh: --runs needs at least 1" >&2; exit 2; }

TW_BENCH_PACKAGES=(ntfs-3g sleuthkit fuse3 time coreutils)
[ "$mode" = instructions ] && TW_BENCH_PACKAGES+=(valgrind)
tw_ensure_packages "${TW_BUILD_PACKAGES[@]}" "${TW_BENCH_PACKAGES[@]}"

echo "== release build (build/release)"
cmake -S "$TW_ROOT" -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNWICK_TESTS=OFF >/dev/null
cmake --build build/release -j "$TW_JOBS" --target tarnwick-scan make_synthetic_volume print_mft_extents \
  fill_bench_tree result_footprint >/dev/null
bin=$TW_ROOT/build/release/bin
scan=$bin/tarnwick-scan

cache=${TW_BENCH_CACHE:-$HOME/.cache/tarnwick-bench}
mkdir -p "$cache"
work=$(mktemp -d)
mnt=$work/mnt
mkdir -p "$mnt"
cleanup() {
  mountpoint -q "$mnt" 2>/dev/null && umount "$mnt" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# ---- volumes (cached) --------------------------------------------------------
# The file names carry a version: a change to a generator gets new volumes.
real_img=$cache/real-v1-300000.img
syn_img() { echo "$cache/synthetic-v1-$1.img"; }

prepare_volumes() {
  if [ "$real" = 1 ] && [ ! -f "$real_img" ]; then
    echo "== building the real 300,000-file volume (mkntfs + ntfs-3g, a few minutes)"
    tools/make_bench_volume.sh "$real_img" 300000 "$bin/fill_bench_tree"
  fi
  if [ "$synthetic" = 1 ] && [ "$mode" = tables ]; then
    local n
    for n in 1000000 4000000; do
      if [ ! -f "$(syn_img $n)" ]; then
        echo "== writing the synthetic $n-record volume"
        "$bin/make_synthetic_volume" "$(syn_img $n).tmp" "$n" >"$(syn_img $n).txt"
        mv "$(syn_img $n).tmp" "$(syn_img $n)"
      fi
    done
  fi
}

# ---- measuring ----------------------------------------------------------------
# Each timed run appends "wall cpu rss_kb" to $work/NAME.
time_run() {  # time_run NAME COMMAND... (stdout to /dev/null, stderr kept in $work/NAME.err)
  local name=$1; shift
  /usr/bin/time -f "%e %U %S %M" -o "$work/time.out" "$@" >/dev/null 2>"$work/$name.err"
  awk '{ printf "%s %.3f %s\n", $1, $2 + $3, $4 }' "$work/time.out" >>"$work/$name"
}

# The floor: the MFT's extents read with dd, nothing else.
floor_command() {  # writes $work/floor.sh for IMAGE
  local img=$1
  {
    echo "set -e"
    "$bin/print_mft_extents" "$img" | while read -r off len; do
      echo "dd if='$img' of=/dev/null bs=4M iflag=skip_bytes,count_bytes skip=$off count=$len status=none"
    done
  } >"$work/floor.sh"
}

# du -s over a fresh read-only ntfs-3g mount; the FUSE daemon's CPU time
# during the walk is added to du's, and its peak memory to du's.
du_run() {
  local img=$1
  ntfs-3g -o ro "$img" "$mnt"
  local pid
  pid=$(pgrep -n -f "ntfs-3g -o ro $img")
  local before
  before=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  /usr/bin/time -f "%e %U %S %M" -o "$work/time.out" du -s "$mnt" >/dev/null 2>"$work/du.err"
  local after hwm
  after=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  hwm=$(awk '/VmHWM/ { print $2 }' "/proc/$pid/status")
  umount "$mnt"
  local tick
  tick=$(getconf CLK_TCK)
  awk -v d=$((after - before)) -v t="$tick" -v h="$hwm" \
    '{ printf "%s %.3f %d\n", $1, $2 + $3 + d / t, $4 + h }' "$work/time.out" >>"$work/du"
}

median() {  # median COLUMN FILE
  awk -v c="$1" '{ print $c }' "$2" | sort -g | awk '{ v[NR] = $1 } END {
    if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# The medians of the stage timings that tarnwick-scan --timings printed.
stage_medians() {  # stage_medians ERRFILE_PATTERN...
  cat "$@" | awk '$3 == "s" { print $1, $2 }' | sort -k1,1 -k2g |
    awk '{ v[$1] = v[$1] " " $2; n[$1]++ } END {
      split("load slice_pass merge overflow_pass apply tree total", order, " ")
      for (i = 1; i <= 7; i++) { k = order[i]; split(substr(v[k], 2), a, " ")
        m = (n[k] % 2) ? a[(n[k] + 1) / 2] : (a[n[k] / 2] + a[n[k] / 2 + 1]) / 2
        printf "  %-14s %9.3f s\n", k, m } }'
}

fmt_mib() { awk -v k="$1" 'BEGIN { printf "%.1f MiB", k / 1024 }'; }

print_table() {  # print_table TITLE CONTENDER...
  local title=$1; shift
  local floor_wall tw_wall
  floor_wall=$(median 1 "$work/floor")
  tw_wall=$(median 1 "$work/tarnwick")
  echo
  echo "$title (medians of $runs runs after a warm-up)"
  printf '%-34s %9s %9s %12s %10s %12s\n' contender "wall s" "cpu s" "peak RSS" "÷ floor" "÷ tarnwick"
  local c
  for c in "$@"; do
    local w cpu rss label
    w=$(median 1 "$work/$c")
    cpu=$(median 2 "$work/$c")
    rss=$(median 3 "$work/$c")
    case $c in
      tarnwick) label="tarnwick-scan --quiet" ;;
      floor) label="floor: dd of the MFT extents" ;;
      fls) label="fls -r -p -u -l" ;;
      du) label="du -s over ntfs-3g (ro, fresh)" ;;
    esac
    printf '%-34s %9.3f %9.3f %12s %9.2fx %11.2fx\n' "$label" "$w" "$cpu" "$(fmt_mib "$rss")" \
      "$(awk -v a="$w" -v b="$floor_wall" 'BEGIN { print a / b }')" \
      "$(awk -v a="$w" -v b="$tw_wall" 'BEGIN { print a / b }')"
  done
  echo "tarnwick-scan stages (--timings, medians):"
  stage_medians "$work"/tarnwick.err.*
}

check() {  # check DESCRIPTION CONDITION_AWK_EXPRESSION
  if awk "BEGIN { exit !($2) }"; then echo "  met:    $1"; else echo "  MISSED: $1"; fi
}

reset_results() { rm -f "$work"/tarnwick "$work"/tarnwick.err.* "$work"/floor "$work"/fls "$work"/du; }

# One run of tarnwick-scan, its --timings kept per run.
tarnwick_run() {  # tarnwick_run IMAGE RUN [ARGS...]
  local img=$1 k=$2; shift 2
  time_run tarnwick "$scan" --quiet --timings "$@" "$img"
  mv "$work/tarnwick.err" "$work/tarnwick.err.$k"
}

bench_real() {
  reset_results
  floor_command "$real_img"
  local k
  # Warm-up: every contender once (page cache, FUSE, binaries).
  "$scan" --quiet "$real_img" >/dev/null
  sh "$work/floor.sh"
  fls -r -p -u -l "$real_img" >/dev/null
  du_run "$real_img"; rm -f "$work/du"
  for k in $(seq 1 "$runs"); do
    tarnwick_run "$real_img" "$k"
    time_run floor sh "$work/floor.sh"
    time_run fls fls -r -p -u -l "$real_img"
    du_run "$real_img"
  done
  local mft records
  mft=$(awk '{ s += $2 } END { printf "%.0f\n", s }' <("$bin/print_mft_extents" "$real_img"))
  records=$((mft / 1024))
  print_table "Real NTFS volume, 300,000 files ($records MFT records, MFT $((mft >> 20)) MiB)" \
    tarnwick floor fls du
  local tw floor fls du rss
  tw=$(median 1 "$work/tarnwick"); floor=$(median 1 "$work/floor")
  fls=$(median 1 "$work/fls"); du=$(median 1 "$work/du"); rss=$(median 3 "$work/tarnwick")
  echo "targets:"
  check "tarnwick-scan within 4x the floor ($(awk -v a="$tw" -v b="$floor" 'BEGIN { printf "%.2fx", a / b }'))" \
    "$tw <= 4 * $floor"
  check "at least 15x faster than fls ($(awk -v a="$fls" -v b="$tw" 'BEGIN { printf "%.1fx", a / b }'))" \
    "$fls >= 15 * $tw"
  check "at least 50x faster than du over ntfs-3g ($(awk -v a="$du" -v b="$tw" 'BEGIN { printf "%.1fx", a / b }'))" \
    "$du >= 50 * $tw"
  memory_check "$rss" "$mft" "$records" "$real_img"
}

# Peak RSS against MFT size + 700 bytes per record, and the finished result's
# bytes per file (heap held by the ScanResult alone, from result_footprint).
memory_check() {  # memory_check RSS_KB MFT_BYTES RECORDS IMAGE
  local rss=$1 mft=$2 records=$3 img=$4
  local limit=$((mft + 700 * records))
  check "peak RSS $(fmt_mib "$rss") at most MFT + 700 B/record = $(fmt_mib $((limit / 1024)))" \
    "$rss * 1024 <= $limit"
  echo "  result: $("$bin/result_footprint" "$img")"
}

bench_synthetic() {
  local n=$1 img
  img=$(syn_img "$n")
  reset_results
  floor_command "$img"
  "$scan" --quiet "$img" >/dev/null
  sh "$work/floor.sh"
  local k
  for k in $(seq 1 "$runs"); do
    tarnwick_run "$img" "$k"
    time_run floor sh "$work/floor.sh"
  done
  local mft
  mft=$(awk '{ s += $2 } END { printf "%.0f\n", s }' <("$bin/print_mft_extents" "$img"))
  print_table "Synthetic volume, $n records (MFT $((mft >> 20)) MiB; fls and ntfs-3g cannot read it)" tarnwick floor
  per_record[$n]=$(awk -v w="$(median 1 "$work/tarnwick")" -v n="$n" 'BEGIN { printf "%.1f", w * 1e9 / n }')
  echo "  time per record: ${per_record[$n]} ns"
  memory_check "$(median 3 "$work/tarnwick")" "$mft" "$n" "$img"
}

# The slice pass with one and with two threads, alternating, on the 1M volume.
bench_threads() {
  local img k
  img=$(syn_img 1000000)
  rm -f "$work"/t1.* "$work"/t2.*
  for k in $(seq 1 "$runs"); do
    "$scan" --quiet --timings --threads 1 "$img" 2>"$work/t1.$k" >/dev/null
    "$scan" --quiet --timings --threads 2 "$img" 2>"$work/t2.$k" >/dev/null
  done
  local one two
  one=$(cat "$work"/t1.* | awk '$1 == "slice_pass" { print $2 }' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  two=$(cat "$work"/t2.* | awk '$1 == "slice_pass" { print $2 }' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  echo
  echo "Slice pass, 1,000,000 records: 1 thread $one s, 2 threads $two s (medians of $runs)"
  check "slice pass at least 1.6x faster with 2 threads ($(awk -v a="$one" -v b="$two" 'BEGIN { printf "%.2fx", a / b }'))" \
    "$one >= 1.6 * $two"
}

instructions() {
  local out=$work/callgrind.out
  valgrind --tool=callgrind --callgrind-out-file="$out" "$scan" --quiet "$real_img" >/dev/null 2>"$work/vg.err"
  local total records
  total=$(awk '/^summary:/ { print $2 }' "$out")
  records=$(($(awk '{ s += $2 } END { printf "%.0f\n", s }' <("$bin/print_mft_extents" "$real_img")) / 1024))
  echo
  echo "Instructions (valgrind callgrind, tarnwick-scan --quiet, real 300,000-file volume):"
  echo "  total            $total"
  echo "  MFT records      $records"
  awk -v t="$total" -v r="$records" 'BEGIN { printf "  per MFT record   %.0f\n", t / r }'
  echo "  the costliest functions (own instructions):"
  callgrind_annotate "$out" 2>/dev/null | grep -E '^ *[0-9,]+ +\( *[0-9.]+%\) ' | grep -v 'PROGRAM TOTALS' | head -10 |
    sed -E 's/ \[[^]]*\]$//; s/^ */    /' | cut -c1-150
}

prepare_volumes
echo "== machine: $(nproc) cores, $(uname -r); commit $(git rev-parse --short HEAD)$(git diff --quiet || echo ' (modified)')"
if [ "$mode" = instructions ]; then
  instructions
  exit 0
fi
declare -A per_record
[ "$real" = 1 ] && bench_real
if [ "$synthetic" = 1 ]; then
  bench_synthetic 1000000
  bench_synthetic 4000000
  echo
  echo "Scaling: ${per_record[1000000]} ns per record at 1M, ${per_record[4000000]} ns at 4M"
  check "time per record at 4M within 1.25x of 1M ($(awk -v a="${per_record[4000000]}" -v b="${per_record[1000000]}" 'BEGIN { printf "%.2fx", a / b }'))" \
    "${per_record[4000000]} <= 1.25 * ${per_record[1000000]}"
  bench_threads
fi
