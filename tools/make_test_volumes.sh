#!/usr/bin/env bash
# Builds the real NTFS test volumes under tests/data/ with mkntfs and an
# ntfs-3g FUSE mount, checks each with ntfsinfo and fls, and stores them
# xz-compressed (the images are sparse; unpacked they are a few MiB to 32 MiB).
# Needs root, /dev/fuse, ntfs-3g, attr (setfattr), sleuthkit and xz-utils.
# The tests only read the compressed results, so they need none of this.
#
# usage: tools/make_test_volumes.sh [OUTPUT_DIR]   (default tests/data)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-tests/data}
mkdir -p "$out"
work=$(mktemp -d)
mnt="$work/mnt"
mkdir -p "$mnt"
cleanup() {
  mountpoint -q "$mnt" && umount "$mnt"
  rm -rf "$work"
}
trap cleanup EXIT

# new_volume NAME SIZE [mkntfs options...]: an empty formatted image, mounted.
new_volume() {
  local name=$1 size=$2
  shift 2
  img="$work/$name.img"
  truncate -s "$size" "$img"
  mkntfs -F -q -f -L "$name" "$@" "$img" 2>/dev/null
  ntfs-3g -o streams_interface=xattr "$img" "$mnt"
}

# finish_volume: unmount, check with the two independent readers, compress.
finish_volume() {
  umount "$mnt"
  ntfsinfo -m "$img" >/dev/null
  fls -r -p -u "$img" >/dev/null
  xz -9e -T1 -c "$img" >"$out/$(basename "$img").xz"
  echo "$(basename "$img"): $(stat -c %s "$out/$(basename "$img").xz") bytes compressed"
}

# fill N FILE: N bytes of compressible text (the images are stored compressed).
fill() { (set +o pipefail; yes "tarnwick test data ${2##*/}" | head -c "$1" >"$2"); }

# A name of n copies of one character.
repeat() { printf "%${2}s" "" | sed "s/ /$1/g"; }

# The MFT's data runs as ntfsinfo reports them (one line per run).
mft_runs() { ntfsinfo -i 0 -v "$img" 2>/dev/null | grep -cE '^\s+0x[0-9a-f]+\s+0x[0-9a-f]+\s+0x[0-9a-f]+' || true; }

# --- tree: the main volume (4 KiB clusters, 1 KiB records) ------------------
new_volume tree 32M
# Nested folders ten levels deep, a file at every level.
d="$mnt/deep"
for i in 1 2 3 4 5 6 7 8 9 10; do
  d="$d/level$i"
  mkdir -p "$d"
  printf 'level %d\n' "$i" >"$d/file$i.txt"
done
# A folder with thousands of files (names sort out of creation order).
mkdir "$mnt/many"
for i in $(seq 1 3000); do : >"$mnt/many/f$((i * 7919 % 10007)).dat"; done
for i in $(seq 1 40); do head -c $((i * 300)) /dev/zero >"$mnt/many/sized$i.bin"; done
# Hard links: one record, several names in several folders.
mkdir -p "$mnt/links/a" "$mnt/links/b"
fill 5000 "$mnt/links/a/original.bin"
ln "$mnt/links/a/original.bin" "$mnt/links/b/second.bin"
ln "$mnt/links/a/original.bin" "$mnt/links/third.bin"
# Dozens of long hard-link names to one file: the names no longer fit one
# record, so the file gets an $ATTRIBUTE_LIST and extension records.
mkdir "$mnt/attrlist"
fill 12345 "$mnt/attrlist/base.bin"
for i in $(seq 1 40); do ln "$mnt/attrlist/base.bin" "$mnt/attrlist/$(repeat L 200)$i"; done
# Alternate data streams (named $DATA): only the unnamed stream is the size.
mkdir "$mnt/streams"
printf 'main stream\n' >"$mnt/streams/with_ads.txt"
setfattr -n user.Zone.Identifier -v "$(head -c 3000 /dev/zero | tr '\0' z)" "$mnt/streams/with_ads.txt"
: >"$mnt/streams/only_ads.txt"
setfattr -n user.hidden -v "$(head -c 20000 /dev/zero | tr '\0' h)" "$mnt/streams/only_ads.txt"
# Sparse files: a hole followed by data; a file that is all hole.
mkdir "$mnt/sparse"
(set +o pipefail; yes sparse | dd of="$mnt/sparse/hole_then_data.bin" bs=4096 count=2 seek=1024 iflag=fullblock status=none)
truncate -s 8M "$mnt/sparse/all_hole.bin"
# Empty files and folders.
mkdir -p "$mnt/empty/folder/inner" "$mnt/empty/lonely"
: >"$mnt/empty/zero.txt"
: >"$mnt/empty/folder/zero2"
# CJK, emoji (surrogate pairs in UTF-16) and 255-unit names.
mkdir "$mnt/名字"
printf '中文内容\n' >"$mnt/名字/文件.txt"
printf 'emoji\n' >"$mnt/名字/😀😃🎉.txt"
mkdir "$mnt/名字/子文件夹🌏"
printf 'x' >"$mnt/名字/子文件夹🌏/日本語ファイル.dat"
printf 'x' >"$mnt/$(repeat a 251).txt"
printf 'y' >"$mnt/名字/$(repeat 长 85)"
printf 'z' >"$mnt/名字/$(repeat 🎉 63)x.bin"  # 63 pairs + 5 units = 131 units
# Files of assorted sizes, some resident, some not.
mkdir "$mnt/sizes"
for n in 0 1 700 4095 4096 4097 100000 1000000; do fill "$n" "$mnt/sizes/s$n"; done
finish_volume

# --- fragmented: an MFT in several runs and a heavily fragmented file --------
new_volume fragmented 24M
# Fill most of the volume with large files so that the MFT, when it grows,
# must take clusters elsewhere; then create many small files.
for i in 1 2 3 4 5; do head -c 3M /dev/zero >"$mnt/big$i.bin"; done
mkdir "$mnt/small"
for i in $(seq 1 1500); do : >"$mnt/small/n$i"; done
# Fill the rest with one-cluster files, delete every other one and write one
# file into the holes: its run list outgrows its record, so it gets an
# $ATTRIBUTE_LIST with its name and later $DATA extents in extension records.
mkdir "$mnt/holes"
n=0
while head -c 4096 /dev/zero >"$mnt/holes/h$n" 2>/dev/null; do n=$((n + 1)); done
rm -f "$mnt/holes/h$n"
for i in $(seq 0 2 $((n - 1))); do rm "$mnt/holes/h$i"; done
(set +o pipefail; yes fragmented | head -c 4000K >"$mnt/fragmented.bin" 2>/dev/null) || true
umount "$mnt"
runs=$(mft_runs)
echo "fragmented: \$MFT has $runs runs"
[ "$runs" -gt 1 ] || { echo "the MFT did not fragment" >&2; exit 1; }
ntfs-3g -o streams_interface=xattr "$img" "$mnt"
finish_volume

# --- cluster sizes from 512 B to 64 KiB, and 4 KiB records --------------------
small_tree() {
  mkdir -p "$mnt/a/b/c"
  printf 'hello\n' >"$mnt/a/hello.txt"
  fill 70000 "$mnt/a/b/seventy_k.bin"
  fill 300 "$mnt/a/b/c/small.bin"
  ln "$mnt/a/hello.txt" "$mnt/a/b/c/hello_link.txt"
  mkdir "$mnt/files"
  for i in $(seq 1 200); do head -c $((i * 37)) /dev/zero >"$mnt/files/f$i"; done
  printf '数据' >"$mnt/a/数据.txt"
}
for c in 512 2048 8192 65536; do
  new_volume "cluster$c" 16M -c "$c"
  small_tree
  finish_volume
done
new_volume records4k 16M -s 4096
small_tree
finish_volume
