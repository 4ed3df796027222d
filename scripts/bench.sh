#!/usr/bin/env bash
# The benchmark: tarnwick-scan side by side with the I/O floor and the NTFS
# readers a user could pick instead, on real volumes of 300,000 and 1,000,000
# files and on synthetic volumes of 1,000,000, 4,000,000 and 10,000,000
# records. Not a test: it prints figures, each target with its measured
# figure and PASS or MISS, and exits 0 whatever they are.
#
#   scripts/bench.sh                 every table (about ten minutes on two
#                                    cores, more when volumes are built)
#   scripts/bench.sh --quick         the 300,000-file and 1M/4M synthetic volumes only
#   scripts/bench.sh --instructions  instructions per MFT record (valgrind callgrind)
#   options: --runs N (timed runs per contender, default 5), --skip-synthetic,
#            --skip-real, --skip-1m-real, --skip-10m, --skip-cold, --skip-freed,
#            --quick (= --skip-1m-real --skip-10m --skip-freed)
#
# Volumes are cached in $TW_BENCH_CACHE (default ~/.cache/tarnwick-bench) and
# rebuilt when missing: the real 300,000-file one takes a few minutes through
# FUSE, the real 1,000,000-file one a quarter of an hour or more (8 GB of disk),
# the synthetic 10,000,000-record one a minute or two (10 GB of disk), the
# real volume whose MFT is half free (300,000 files written, the first
# 150,000 deleted) some minutes.
# The cold-cache runs drop the page cache (/proc/sys/vm/drop_caches, root).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

runs=5
mode=tables
real=1
real_1m=1
synthetic=1
synthetic_10m=1
cold=1
freed=1
while [ $# -gt 0 ]; do
  case $1 in
    --instructions) mode=instructions ;;
    --runs) runs=$2; shift ;;
    --skip-synthetic) synthetic=0 ;;
    --skip-real) real=0 ;;
    --skip-1m-real) real_1m=0 ;;
    --skip-10m) synthetic_10m=0 ;;
    --skip-cold) cold=0 ;;
    --skip-freed) freed=0 ;;
    --quick) real_1m=0; synthetic_10m=0; freed=0 ;;
    -h|--help) sed -n '2,20p' "$0"; exit 0 ;;
    *) echo "bench.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
[[ "$runs" =~ ^[0-9]+$ ]] && [ "$runs" -ge 1 ] || { echo "bench.sh: --runs needs a number of at least 1" >&2; exit 2; }
[ "$real" = 1 ] || { real_1m=0; freed=0; }
[ "$synthetic" = 1 ] || synthetic_10m=0

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
real_img() { echo "$cache/real-v1-$1.img"; }
syn_img() { echo "$cache/synthetic-v2-$1.img"; }
freed_img() { echo "$cache/real-freed-v1-$1.img"; }

synthetic_counts=(1000000 4000000)
[ "$synthetic_10m" = 1 ] && synthetic_counts+=(10000000)

prepare_real() {  # prepare_real FILES
  local img
  img=$(real_img "$1")
  [ -f "$img" ] && return 0
  echo "== building the real $(commas "$1")-file volume (mkntfs + ntfs-3g; minutes per 100,000 files)"
  tools/make_bench_volume.sh "$img" "$1" "$bin/fill_bench_tree"
}

prepare_synthetic() {  # prepare_synthetic RECORDS
  local img
  img=$(syn_img "$1")
  [ -f "$img" ] && return 0
  echo "== writing the synthetic $(commas "$1")-record volume"
  "$bin/make_synthetic_volume" "$img.tmp" "$1" >"$img.txt"
  mv "$img.tmp" "$img"
}

# FILES files written, then FILES more, then the first FILES deleted: the
# MFT's first half is free in one long range, as deleting a large tree leaves it.
prepare_freed() {  # prepare_freed FILES
  local img
  img=$(freed_img "$1")
  [ -f "$img" ] && return 0
  echo "== building the real volume of $(commas "$1") files after $(commas "$1") deleted (mkntfs + ntfs-3g)"
  tools/make_bench_volume.sh "$img" "$1" "$bin/fill_bench_tree" 4G "$1"
}

prepare_volumes() {
  if [ "$real" = 1 ] || [ "$mode" = instructions ]; then prepare_real 300000; fi
  [ "$mode" = tables ] || return 0
  if [ "$real_1m" = 1 ]; then prepare_real 1000000; fi
  if [ "$freed" = 1 ]; then prepare_freed 150000; fi
  if [ "$synthetic" = 1 ]; then
    local n
    for n in "${synthetic_counts[@]}"; do prepare_synthetic "$n"; done
  fi
  return 0
}

# ---- small helpers ------------------------------------------------------------
commas() { echo "$1" | sed -E ':a; s/([0-9])([0-9]{3})($|,)/\1,\2\3/; ta'; }
calc() { awk "BEGIN { printf \"$1\", $2 }"; }  # calc FORMAT EXPRESSION
fmt_mib() { calc "%.1f MiB" "$1 / 1024"; }      # fmt_mib KIB
mft_bytes() { "$bin/print_mft_extents" "$1" | awk '{ s += $2 } END { printf "%.0f\n", s }'; }

# ---- measuring ----------------------------------------------------------------
# Each timed run appends "wall cpu rss_kb" to $work/NAME. The wall time is
# read from the shell's microsecond clock (EPOCHREALTIME, in microseconds
# once its point is dropped) in this shell, as a subshell would add its own
# fork to it; time's own wall figure (%e) counts in hundredths, too coarse
# for scans of a tenth of a second.
time_run() {  # time_run NAME COMMAND... (stdout to /dev/null, stderr kept in $work/NAME.err)
  local name=$1; shift
  local start=${EPOCHREALTIME/[.,]/}
  /usr/bin/time -f "%U %S %M" -o "$work/time.out" "$@" >/dev/null 2>"$work/$name.err"
  local end=${EPOCHREALTIME/[.,]/}
  awk -v us=$((end - start)) '{ printf "%.6f %.3f %s\n", us / 1e6, $1 + $2, $3 }' "$work/time.out" >>"$work/$name"
}

# One run of tarnwick-scan, its --timings kept per run in $work/NAME.err.RUN.
tarnwick_run() {  # tarnwick_run NAME IMAGE RUN [ARGS...]
  local name=$1 img=$2 k=$3; shift 3
  time_run "$name" "$scan" --quiet --timings "$@" "$img"
  mv "$work/$name.err" "$work/$name.err.$k"
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
  local start=${EPOCHREALTIME/[.,]/}
  /usr/bin/time -f "%U %S %M" -o "$work/time.out" du -s "$mnt" >/dev/null 2>"$work/du.err"
  local end=${EPOCHREALTIME/[.,]/}
  local after hwm
  after=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  hwm=$(awk '/VmHWM/ { print $2 }' "/proc/$pid/status")
  umount "$mnt"
  local tick
  tick=$(getconf CLK_TCK)
  awk -v us=$((end - start)) -v d=$((after - before)) -v t="$tick" -v h="$hwm" \
    '{ printf "%.6f %.3f %d\n", us / 1e6, $1 + $2 + d / t, $3 + h }' "$work/time.out" >>"$work/du"
}

# One timed run of a contender on IMAGE ($work/floor.sh must be IMAGE's).
run_contender() {  # run_contender CONTENDER IMAGE RUN
  local c=$1 img=$2 k=$3
  case $c in
    tarnwick) tarnwick_run tarnwick "$img" "$k" ;;
    floor) time_run floor sh "$work/floor.sh" ;;
    fls) time_run fls fls -r -p -u -l "$img" ;;
    du) du_run "$img" ;;
  esac
}

# Empties the page cache; false when /proc/sys/vm/drop_caches is not writable.
drop_caches() {
  sync
  { echo 3 >/proc/sys/vm/drop_caches; } 2>/dev/null
}

median() {  # median COLUMN FILE
  awk -v c="$1" '{ print $c }' "$2" | sort -g | awk '{ v[NR] = $1 } END {
    if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# The median of one stage that tarnwick-scan --timings printed in NAME's runs.
stage_median() {  # stage_median NAME STAGE
  cat "$work/$1".err.* | awk -v s="$2" '$1 == s && $3 == "s" { print $2 }' | sort -g | awk '{ v[NR] = $1 } END {
    if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

stage_medians() {  # stage_medians NAME
  local s
  for s in load slice_pass merge overflow_pass apply tree total; do
    printf '  %-14s %9.3f s\n' "$s" "$(stage_median "$1" "$s")"
  done
  printf '  %-14s %9.3f s  (%s of the total)\n' "after the last window" "$(after_last_window "$1")" \
    "$(calc %.1f%% "100 * $(after_last_window "$1") / $(stage_median "$1" total)")"
  printf '  %-14s %9.1f MiB of %.1f MiB\n' "MFT read" "$(calc %.1f "$(bytes_median "$1" 2) / 1048576")" \
    "$(calc %.1f "$(bytes_median "$1" 4) / 1048576")"
}

# The median over NAME's runs of the time after the last window: merge,
# overflow_pass, apply and tree of one run, summed.
after_last_window() {  # after_last_window NAME
  local f
  for f in "$work/$1".err.*; do
    awk '$3 == "s" && ($1 == "merge" || $1 == "overflow_pass" || $1 == "apply" || $1 == "tree") { t += $2 }
         END { print t }' "$f"
  done | sort -g | awk '{ v[NR] = $1 } END {
    if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# The median of a field of --timings' mft_read line (2: bytes read, 4: the MFT's bytes).
bytes_median() {  # bytes_median NAME FIELD
  cat "$work/$1".err.* | awk -v f="$2" '$1 == "mft_read" { print $f }' | sort -g | awk '{ v[NR] = $1 } END {
    if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# The time after the last window against the whole scan, on two threads.
tail_check() {  # tail_check NAME
  local after total
  after=$(after_last_window "$1"); total=$(stage_median "$1" total)
  check "time after the last window $(calc %.3f "$after") s, $(calc %.1f%% "100 * $after / $total") of the scan, target at most 15% (on $(nproc) threads)" \
    "$after <= 0.15 * $total"
}

print_table() {  # print_table TITLE HOW CONTENDER...   (ratios to $work/floor and $work/tarnwick)
  local title=$1 how=$2; shift 2
  local floor_wall tw_wall
  floor_wall=$(median 1 "$work/floor")
  tw_wall=$(median 1 "$work/tarnwick")
  echo
  echo "$title (medians of $runs runs $how)"
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
      "$(calc %s "$w / $floor_wall")" "$(calc %s "$w / $tw_wall")"
  done
  echo "tarnwick-scan stages (--timings, medians):"
  stage_medians tarnwick
}

# ---- targets ------------------------------------------------------------------
# Every target is printed where it is measured and again in the summary at
# the end, prefixed with the volume it was measured on ($section).
section=""
targets=()
verdict() {  # verdict PASS|MISS|SKIP DESCRIPTION
  printf '  %-4s  %s\n' "$1" "$2"
  targets+=("$(printf '%-4s  %-30s %s' "$1" "$section" "$2")")
}
check() {  # check DESCRIPTION CONDITION_AWK_EXPRESSION
  if awk "BEGIN { exit !($2) }"; then verdict PASS "$1"; else verdict MISS "$1"; fi
}

reset_results() { rm -f "$work"/tarnwick "$work"/tarnwick.err.* "$work"/floor "$work"/fls "$work"/du; }

# Runs every contender once untimed, then RUNS alternating timed rounds.
measure() {  # measure IMAGE CONTENDER...
  local img=$1; shift
  reset_results
  floor_command "$img"
  local c k
  for c in "$@"; do run_contender "$c" "$img" 0; done
  reset_results
  for k in $(seq 1 "$runs"); do
    for c in "$@"; do run_contender "$c" "$img" "$k"; done
  done
}

# The finished result's heap (result_footprint). Sets fp_raw (its output),
# fp_mib (MiB held), fp_total (bytes per file), fp_names (names' UTF-16 bytes
# per file) and fp_beyond (bytes per file beyond the names); the ones its
# output does not give are left empty. Clause by clause, so that fields added
# to its lines or reordered are still found.
footprint() {  # footprint IMAGE
  fp_raw=$("$bin/result_footprint" "$1" 2>&1) || true
  local parsed
  parsed=$(printf '%s\n' "$fp_raw" | tr ',;()' '\n\n\n\n' | awk '
    function num(s) { return match(s, /[0-9]+(\.[0-9]+)?/) ? substr(s, RSTART, RLENGTH) : "" }
    / MiB held/ && mib == "" { mib = num($0) }
    /bytes per file/ {
      if (/beyond/) beyond = num($0)
      else if (/name/) names = num($0)
      else if (total == "") total = num($0)
    }
    END { printf "%s|%s|%s|%s\n", mib, total, names, beyond }')
  IFS='|' read -r fp_mib fp_total fp_names fp_beyond <<<"$parsed"
  if [ -z "$fp_beyond" ] && [ -n "$fp_names" ] && [ -n "$fp_total" ]; then
    fp_beyond=$(calc %.1f "$fp_total - $fp_names")
  fi
}

# The finished result's bytes per file: at most 64 beyond the names' UTF-16
# bytes. Judged only when result_footprint gives a names figure; otherwise
# its output is shown as it is.
footprint_check() {
  echo "  result_footprint: $(printf '%s\n' "$fp_raw" | sed '2,$s/^/                    /')"
  if [ -n "$fp_beyond" ]; then
    check "finished result ${fp_total:-?} B/file = ${fp_names:-?} B/file of names + $fp_beyond B/file; target at most 64 + names" \
      "$fp_beyond <= 64"
  else
    verdict SKIP "finished result at most 64 B/file + names: no names figure in result_footprint's output (above)"
  fi
}

# Peak RSS (median of the timed tarnwick-scan -q runs) against 160 MiB plus
# the finished result's MiB.
rss_check() {  # rss_check RSS_KB
  local rss=$1
  if [ -z "$fp_mib" ]; then
    verdict SKIP "peak RSS $(fmt_mib "$rss"): no result size from result_footprint"
    return
  fi
  check "peak RSS $(fmt_mib "$rss"), target at most 160 MiB + result $fp_mib MiB = $(calc %.1f "160 + $fp_mib") MiB" \
    "$rss / 1024 <= 160 + $fp_mib"
}

# ---- the volumes ----------------------------------------------------------------
# A real volume, warm page cache. fls and du run on the 300,000-file volume
# only: on the 1,000,000-file one a single du run takes minutes.
bench_real() {  # bench_real FILES
  local n=$1 img contenders=(tarnwick floor)
  img=$(real_img "$n")
  section="real $(commas "$n") files"
  [ "$n" -le 300000 ] && contenders+=(fls du)
  measure "$img" "${contenders[@]}"
  local mft records
  mft=$(mft_bytes "$img")
  records=$((mft / 1024))
  print_table "Real NTFS volume, $(commas "$n") files ($(commas $records) MFT records, MFT $((mft >> 20)) MiB)" \
    "after a warm-up" "${contenders[@]}"
  local tw floor
  tw=$(median 1 "$work/tarnwick"); floor=$(median 1 "$work/floor")
  echo "targets:"
  check "warm cache: tarnwick-scan $(calc %.2fx "$tw / $floor") the dd floor, target at most 2.5x" "$tw <= 2.5 * $floor"
  tail_check tarnwick
  if [ "$n" -le 300000 ]; then
    local fls du
    fls=$(median 1 "$work/fls"); du=$(median 1 "$work/du")
    check "$(calc %.1fx "$fls / $tw") faster than fls, target at least 15x" "$fls >= 15 * $tw"
    check "$(calc %.1fx "$du / $tw") faster than du over ntfs-3g, target at least 50x" "$du >= 50 * $tw"
  fi
  local rss
  rss=$(median 3 "$work/tarnwick")
  footprint "$img"
  rss_check "$rss"
  footprint_check
}

# A cold page cache before every run of both contenders.
bench_cold() {  # bench_cold FILES
  local n=$1 img
  img=$(real_img "$n")
  section="real $(commas "$n") files, cold"
  echo
  if ! drop_caches; then
    echo "Cold cache, real $(commas "$n")-file volume: /proc/sys/vm/drop_caches is not writable (not root?)"
    verdict SKIP "cold cache: could not drop the page cache"
    return
  fi
  reset_results
  floor_command "$img"
  local k
  for k in $(seq 1 "$runs"); do
    drop_caches; run_contender floor "$img" "$k"
    drop_caches; run_contender tarnwick "$img" "$k"
  done
  print_table "Cold cache, real $(commas "$n")-file volume" "each after sync and drop_caches" tarnwick floor
  local tw floor
  tw=$(median 1 "$work/tarnwick"); floor=$(median 1 "$work/floor")
  echo "targets:"
  check "cold cache: tarnwick-scan $(calc %.2fx "$tw / $floor") the cold dd floor, target at most 1.3x" \
    "$tw <= 1.3 * $floor"
}

declare -A per_record
bench_synthetic() {  # bench_synthetic RECORDS
  local n=$1 img
  img=$(syn_img "$n")
  section="synthetic $(commas "$n")"
  measure "$img" tarnwick floor
  local mft
  mft=$(mft_bytes "$img")
  print_table "Synthetic volume, $(commas "$n") records (MFT $((mft >> 20)) MiB; fls and ntfs-3g cannot read it)" \
    "after a warm-up" tarnwick floor
  per_record[$n]=$(calc %.1f "$(median 1 "$work/tarnwick") * 1e9 / $n")
  echo "  time per record: ${per_record[$n]} ns"
  echo "targets:"
  tail_check tarnwick
  footprint "$img"
  rss_check "$(median 3 "$work/tarnwick")"
  if [ "$n" = 4000000 ]; then
    footprint_check
  else
    echo "  result_footprint: $(printf '%s\n' "$fp_raw" | head -1)"
  fi
}

scaling_check() {  # scaling_check RECORDS   (against 1,000,000)
  local n=$1 base=1000000
  [ -n "${per_record[$n]:-}" ] && [ -n "${per_record[$base]:-}" ] || return 0
  section="scaling"
  check "time per record at $(commas "$n") ${per_record[$n]} ns, $(calc %.2fx "${per_record[$n]} / ${per_record[$base]}") the 1,000,000 figure (${per_record[$base]} ns), target at most 1.25x" \
    "${per_record[$n]} <= 1.25 * ${per_record[$base]}"
}

# One thread against two, alternating, after a warm-up: the slice pass (from
# --timings) and the whole scan (wall time of the process).
bench_threads() {  # bench_threads IMAGE LABEL
  local img=$1 label=$2 k
  section="$label, threads"
  rm -f "$work"/t1 "$work"/t1.err.* "$work"/t2 "$work"/t2.err.*
  "$scan" --quiet --threads 2 "$img" >/dev/null
  for k in $(seq 1 "$runs"); do
    tarnwick_run t1 "$img" "$k" --threads 1
    tarnwick_run t2 "$img" "$k" --threads 2
  done
  local s1 s2 w1 w2
  s1=$(stage_median t1 slice_pass); s2=$(stage_median t2 slice_pass)
  w1=$(median 1 "$work/t1"); w2=$(median 1 "$work/t2")
  echo
  echo "Threads, $label (medians of $runs runs):"
  printf '  %-24s %10s %10s\n' "" "1 thread" "2 threads"
  printf '  %-24s %9.3fs %9.3fs\n' "slice pass (--timings)" "$s1" "$s2"
  printf '  %-24s %9.3fs %9.3fs\n' "scan total (--timings)" "$(stage_median t1 total)" "$(stage_median t2 total)"
  printf '  %-24s %9.3fs %9.3fs\n' "process wall" "$w1" "$w2"
  echo "targets:"
  check "slice pass $(calc %.2fx "$s1 / $s2") faster with 2 threads, target at least 1.8x" "$s1 >= 1.8 * $s2"
  check "whole scan (wall) $(calc %.2fx "$w1 / $w2") faster with 2 threads, target at least 1.4x" "$w1 >= 1.4 * $w2"
}

# The volume whose MFT is half free: the scan planned from the MFT's bitmap
# against one that reads every record (--read-all), cold cache before every
# run (warm when the cache cannot be dropped), and their results compared.
bench_freed() {  # bench_freed FILES
  local n=$1 img how="each after sync and drop_caches"
  img=$(freed_img "$n")
  section="half-free MFT, $(commas "$n") files"
  drop_caches || how="warm cache: the page cache could not be dropped"
  rm -f "$work"/planned "$work"/planned.err.* "$work"/full "$work"/full.err.*
  local k
  for k in $(seq 1 "$runs"); do
    drop_caches || true; tarnwick_run planned "$img" "$k"
    drop_caches || true; tarnwick_run full "$img" "$k" --read-all
  done
  local p f
  p=$(median 1 "$work/planned"); f=$(median 1 "$work/full")
  echo
  echo "Half-free MFT, $(commas "$n") files after $(commas "$n") deleted (medians of $runs runs, $how):"
  printf '  %-34s %9s %14s\n' "" "wall s" "MFT read"
  printf '  %-34s %9.3f %10.1f MiB\n' "tarnwick-scan (reads planned)" "$p" "$(calc %.1f "$(bytes_median planned 2) / 1048576")"
  printf '  %-34s %9.3f %10.1f MiB\n' "tarnwick-scan --read-all" "$f" "$(calc %.1f "$(bytes_median full 2) / 1048576")"
  echo "tarnwick-scan stages, reads planned (--timings, medians):"
  stage_medians planned
  local same=no
  "$scan" --quiet --json --files "$img" | sed -E 's/"elapsed_seconds": ?[0-9.e+-]+//' >"$work/planned.json"
  "$scan" --quiet --json --files --read-all "$img" | sed -E 's/"elapsed_seconds": ?[0-9.e+-]+//' >"$work/full.json"
  cmp -s "$work/planned.json" "$work/full.json" && same=yes
  echo "targets:"
  local read mft
  read=$(bytes_median planned 2); mft=$(bytes_median planned 4)
  check "the scan reads $(calc %.1f%% "100 * $read / $mft") of the MFT's bytes, target at most 60%" "$read <= 0.6 * $mft"
  check "the scan takes $(calc %.1f%% "100 * $p / $f") of a full read's time ($how), target at most 70%" "$p <= 0.7 * $f"
  check "the result is the one a full read gives (--json --files): $same" "\"$same\" == \"yes\""
}

instructions() {
  local out=$work/callgrind.out img
  img=$(real_img 300000)
  valgrind --tool=callgrind --callgrind-out-file="$out" "$scan" --quiet "$img" >/dev/null 2>"$work/vg.err"
  local total records
  total=$(awk '/^summary:/ { print $2 }' "$out")
  records=$(($(mft_bytes "$img") / 1024))
  echo
  echo "Instructions (valgrind callgrind, tarnwick-scan --quiet, real 300,000-file volume):"
  echo "  total            $total"
  echo "  MFT records      $records"
  awk -v t="$total" -v r="$records" 'BEGIN { printf "  per MFT record   %.0f\n", t / r }'
  echo "  the costliest functions (own instructions):"
  callgrind_annotate "$out" 2>/dev/null | grep -E '^ *[0-9,]+ +\( *[0-9.]+%\) ' | grep -v 'PROGRAM TOTALS' | head -10 |
    sed -E 's/ \[[^]]*\]$//; s/^ */    /' | cut -c1-150
}

summary() {
  echo
  echo "Targets (PASS $(printf '%s\n' "${targets[@]}" | grep -c '^PASS'), MISS $(printf '%s\n' "${targets[@]}" | grep -c '^MISS'), SKIP $(printf '%s\n' "${targets[@]}" | grep -c '^SKIP')):"
  printf '  %s\n' "${targets[@]}"
}

prepare_volumes
echo "== machine: $(nproc) cores, $(uname -r); commit $(git rev-parse --short HEAD)$(git diff --quiet || echo ' (modified)')"
load=$(cut -d' ' -f1 /proc/loadavg)
echo "== load average $load$(calc %s "($load > 0.5) ? \"; the machine is busy: ratios and thread figures will be off\" : \"\"")"
if [ "$mode" = instructions ]; then
  instructions
  exit 0
fi
if [ "$real" = 1 ]; then
  bench_real 300000
  if [ "$real_1m" = 1 ]; then
    bench_real 1000000
    [ "$cold" = 1 ] && bench_cold 1000000
    bench_threads "$(real_img 1000000)" "real 1,000,000 files"
  fi
  [ "$freed" = 1 ] && bench_freed 150000
fi
if [ "$synthetic" = 1 ]; then
  for n in "${synthetic_counts[@]}"; do bench_synthetic "$n"; done
  echo
  echo "Scaling (time per record against the 1,000,000-record volume):"
  scaling_check 4000000
  scaling_check 10000000
  bench_threads "$(syn_img 1000000)" "synthetic 1,000,000"
fi
[ ${#targets[@]} -gt 0 ] && summary
exit 0
