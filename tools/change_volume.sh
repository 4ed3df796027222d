#!/usr/bin/env bash
# Changes an NTFS volume image through a read-write ntfs-3g mount: runs the
# given shell commands in the volume's root folder, then unmounts. The image
# tier (tests/image/record_reread_test.cpp) uses it to change a volume
# between a scan and re-reading some of its records. Needs root, /dev/fuse
# and ntfs-3g; exits 77 when one of them is missing.
#
# usage: tools/change_volume.sh IMAGE COMMANDS
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 IMAGE COMMANDS" >&2; exit 2; }
img=$1
command -v ntfs-3g >/dev/null || { echo "ntfs-3g not found" >&2; exit 77; }
[ "$(id -u)" -eq 0 ] && [ -c /dev/fuse ] || { echo "needs root and /dev/fuse" >&2; exit 77; }
mnt=$(mktemp -d)
cleanup() {
  mountpoint -q "$mnt" && umount "$mnt"
  rmdir "$mnt"
}
trap cleanup EXIT
ntfs-3g "$img" "$mnt"
(cd "$mnt" && bash -euo pipefail -c "$2")
umount "$mnt"
