#!/usr/bin/env bash
# Builds the real NTFS benchmark volume: a fresh mkntfs image filled through
# an ntfs-3g mount by fill_bench_tree (nested folders, lognormal sizes with a
# few multi-megabyte files, a dozen extensions, hard links, sparse files),
# checked with ntfsinfo. Takes minutes per 100,000 files (every file goes
# through FUSE).
#
#   tools/make_bench_volume.sh OUTPUT.img FILES FILL_BENCH_TREE [SIZE [DELETED]]
#
# With DELETED, a tree of DELETED files is written first (in old/), then the
# FILES (in kept/), then old/ is deleted: the MFT keeps the records of the
# deleted tree, free, in one long range before the files that stay, as
# deleting a large tree leaves a volume.
#
# SIZE (for truncate) defaults to 4G up to 300,000 files, else 16 KiB per
# file rounded up to whole GiB (16G for 1,000,000 files, which fill about
# 8 GB of it); the image is sparse, so only what is written takes disk space.
#
# Needs root, /dev/fuse, mkntfs and ntfs-3g. The image is written next to
# OUTPUT and renamed into place only when complete.
set -euo pipefail
out=$1 files=$2 filler=$3 deleted=${5:-0}
if [ -n "${4:-}" ]; then
  size=$4
elif [ "$files" -le 300000 ]; then
  size=4G
else
  size=$(((files * 16 + 1048575) / 1048576))G
fi
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
if [ "$deleted" -gt 0 ]; then
  mkdir "$mnt/old" "$mnt/kept"
  "$filler" "$mnt/old" "$deleted" 1
  "$filler" "$mnt/kept" "$files"
  rm -rf "$mnt/old"
else
  "$filler" "$mnt" "$files"
fi
unmount
ntfsinfo -m "$img" >/dev/null
mv "$img" "$out"
echo "wrote $out"
