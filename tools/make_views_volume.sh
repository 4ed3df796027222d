#!/usr/bin/env bash
# Builds the volume the GUI tier maps as drive V: for the treemap, keyboard
# and list checks, with mkntfs and an ntfs-3g FUSE mount; checks it with
# ntfsinfo and fls and stores it xz-compressed. Contents:
#   similar/part01 ... part25   one text file each, 200-225 KiB (cells of
#                               nearly equal area in the treemap)
#   tiny/                       10,000 files of 1-3,000 bytes, 24 extensions
#   misc/notes/notes.md, misc/readme.txt, misc/todo.txt
#                               a folder with a subfolder and files of its own
#   volume-info.txt
# Needs root, /dev/fuse, ntfs-3g, sleuthkit and xz-utils. The tests only read
# the compressed result.
#
#   tools/make_views_volume.sh [OUTPUT.img.xz]   (default tests/data/views.img.xz)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-tests/data/views.img.xz}
work=$(mktemp -d)
mnt="$work/mnt"
img="$work/views.img"
mkdir -p "$mnt"
cleanup() {
  mountpoint -q "$mnt" && umount "$mnt"
  rm -rf "$work"
}
trap cleanup EXIT

truncate -s 64M "$img"
mkntfs -F -q -f -L Views "$img" 2>/dev/null
ntfs-3g "$img" "$mnt"

# A block of compressible text; files are prefixes of it (bash builtins only:
# ten thousand files through the FUSE mount stay quick).
text=""
while [ ${#text} -lt 240000 ]; do text+="tarnwick view test line $((${#text} % 97))
"; done
put() { printf '%s' "${text:0:$2}" >"$1"; }

# 25 folders of similar size, not in size order by name.
mkdir "$mnt/similar"
for i in $(seq 1 25); do
  part=$(printf 'part%02d' "$i")
  mkdir "$mnt/similar/$part"
  put "$mnt/similar/$part/data.txt" $((204800 + (i * 7 % 25) * 1024))
done

# 10,000 small files, sizes spread over 1-3,000 bytes, 24 extensions.
exts=(txt log ini cfg xml json csv md html css js py c h cpp rs go java sql yaml toml bat ps1 sh)
mkdir "$mnt/tiny"
for i in $(seq 0 9999); do
  put "$mnt/tiny/t$(printf %05d "$i").${exts[i % ${#exts[@]}]}" $((1 + i * 7919 % 3000))
done

mkdir -p "$mnt/misc/notes"
put "$mnt/misc/notes/notes.md" 40000
put "$mnt/misc/readme.txt" 3000
put "$mnt/misc/todo.txt" 1200
put "$mnt/volume-info.txt" 2000

umount "$mnt"
ntfsinfo -m "$img" >/dev/null
fls -r -p -u "$img" >/dev/null
[ "$(fls -r -p -u "$img" | grep -c $'\ttiny/')" -eq 10000 ] || { echo "tiny does not hold 10000 files" >&2; exit 1; }
mkdir -p "$(dirname "$out")"
xz -9e -T1 -c "$img" >"$out"
echo "$out: $(stat -c %s "$out") bytes compressed"
