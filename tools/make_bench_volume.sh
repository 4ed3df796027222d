#!/usr/bin/env bash
# Builds the real NTFS benchmark volume: a fresh mkntfs image filled through
# an ntfs-3g mount by fill_bench_tree (nested folders, lognormal sizes with a
# few multi-megabyte files, a dozen extensions, hard links, sparse files),
# checked with ntfsinfo and fls. Takes minutes (every file goes through FUSE).
#
#   tools/make_bench_volume.sh OUTPUT.img FILES FILL_BENCH_TREE [SIZE]
#
# Needs root, /dev/fuse, mkntfs and ntfs-3g. The image is written next to
# OUTPUT and renamed into place only when complete.
set -euo pipefail
out=$1 files=$2 filler=$3 size=${4:-4G}
work=$(mktemp -d "$(dirname "$out")/build.XXXXXX")
mnt="$work/mnt"
img="$work/volume.img"
# A FUSE mount can stay busy for a moment after the last writer exits.
unmount() {
  local i
  for i in 1 2 3 4 5 6 7 8 9 10; do
    umount "$mnt" 2>/dev/null && return 0
    sleep 1
  done
  umount "$mnt"
}
cleanup() {
  if mountpoint -q "$mnt" 2>/dev/null; then unmount || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

truncate -s "$size" "$img"
mkntfs -F -q -f -L Bench "$img" >/dev/null 2>&1
mkdir "$mnt"
ntfs-3g -o big_writes "$img" "$mnt"
"$filler" "$mnt" "$files"
unmount
ntfsinfo -m "$img" >/dev/null
mv "$img" "$out"
echo "wrote $out"
