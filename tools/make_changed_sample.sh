#!/usr/bin/env bash
# Builds tests/data/sample-changed.img.gz: a copy of the sample volume changed
# through an ntfs-3g mount the way a week of use changes a disk, for the
# tests that compare two scans. The changes, which those tests expect:
#   added    Users/alice/Documents/new-report.docx (51,200 bytes)
#            projects/tarnwick/added.txt (6 bytes)
#   removed  Windows/Temp/tmp3.tmp
#   grown    Windows/Logs/setup-5.log by 102,400 bytes
#   moved    Program Files/Editor to projects/Editor
# Needs root (FUSE mount) and ntfs-3g.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
mnt="$work/mnt"
mkdir -p "$mnt"
cleanup() {
  mountpoint -q "$mnt" && umount "$mnt"
  rm -rf "$work"
}
trap cleanup EXIT

gzip -dc tests/data/sample.img.gz | cp --sparse=always /dev/stdin "$work/changed.img"
ntfs-3g "$work/changed.img" "$mnt"
# Fixed bytes, so that the image is the same every time it is made.
(set +o pipefail; yes 'quarterly report' | head -c 51200) >"$mnt/Users/alice/Documents/new-report.docx"
printf 'added\n' >"$mnt/projects/tarnwick/added.txt"
rm "$mnt/Windows/Temp/tmp3.tmp"
(set +o pipefail; yes 'setup continued' | head -c 102400) >>"$mnt/Windows/Logs/setup-5.log"
mv "$mnt/Program Files/Editor" "$mnt/projects/Editor"
umount "$mnt"
fls -r -p -u "$work/changed.img" >/dev/null
gzip -9 -n -c "$work/changed.img" >tests/data/sample-changed.img.gz
echo "tests/data/sample-changed.img.gz: $(stat -c %s tests/data/sample-changed.img.gz) bytes"
