#!/usr/bin/env bash
# Builds a small NTFS volume of sparse and compressed files with mkntfs and
# ntfs-3g, then lists what a read-only ntfs-3g mount reports for every file:
# record number, 512-byte blocks allocated, size and path, one file a line.
# The image tier (tests/image/allocated_size_test.cpp) builds it at test time
# and compares the scan's allocated bytes with the listing. Takes a second or
# two. Needs root, /dev/fuse, ntfs-3g and attr (setfattr); exits 77 when one
# of them is missing.
#
# usage: tools/make_sparse_volume.sh IMAGE LISTING
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 IMAGE LISTING" >&2; exit 2; }
img=$1
listing=$2
for tool in mkntfs ntfs-3g setfattr; do
  command -v "$tool" >/dev/null || { echo "$tool not found" >&2; exit 77; }
done
[ "$(id -u)" -eq 0 ] && [ -c /dev/fuse ] || { echo "needs root and /dev/fuse" >&2; exit 77; }
mnt=$(mktemp -d)
cleanup() {
  mountpoint -q "$mnt" && umount "$mnt"
  rmdir "$mnt"
}
trap cleanup EXIT

# text N: N bytes of compressible text on stdout.
text() { (set +o pipefail; yes "tarnwick sparse and compressed" | head -c "$1"); }

rm -f "$img"
truncate -s 64M "$img"
mkntfs -F -q -f -L sparse "$img" 2>/dev/null

# Compressed files are written into a folder with the compressed attribute,
# on a mount that compresses. ntfs-3g gives sparse files a compression unit
# too (Windows leaves it 0; the unit tests cover that header).
ntfs-3g -o compression "$img" "$mnt"
mkdir "$mnt/sparse" "$mnt/packed"
truncate -s 300M "$mnt/sparse/300M_256K_written.bin"
head -c 256K /dev/urandom | dd of="$mnt/sparse/300M_256K_written.bin" bs=4096 seek=10000 conv=notrunc status=none
truncate -s 8M "$mnt/sparse/all_hole.bin"
head -c 12K /dev/urandom >"$mnt/sparse/data_then_hole.bin"
truncate -s 20M "$mnt/sparse/data_then_hole.bin"
for at in 0 1000 5000 9000; do
  head -c 8K /dev/urandom | dd of="$mnt/sparse/islands.bin" bs=4096 seek="$at" conv=notrunc status=none
done
head -c 300K /dev/urandom >"$mnt/plain.bin"
setfattr -n system.ntfs_attrib_be -v 0x00000800 "$mnt/packed"
text 1000000 >"$mnt/packed/text.txt"
head -c 500K /dev/urandom >"$mnt/packed/random.bin"
head -c 200K /dev/zero >"$mnt/packed/zeros.bin"
{ head -c 100K /dev/urandom; text 300000; } >"$mnt/packed/mixed.bin"
truncate -s 50M "$mnt/packed/sparse.bin"
text 100000 | dd of="$mnt/packed/sparse.bin" bs=4096 seek=2000 conv=notrunc status=none
umount "$mnt"

ntfs-3g -o ro "$img" "$mnt"
find "$mnt" -type f -printf '%i %b %s %P\n' >"$listing"
