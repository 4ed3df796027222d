#!/usr/bin/env bash
# Builds the sample volume that scripts/demo.sh scans: a real 64 MiB NTFS
# volume made by mkntfs and filled through an ntfs-3g mount with a believable
# folder tree — a few hundred files under Users, Program Files, Windows and a
# projects folder, a dozen extensions, a few large files (one sparse), a hard
# link, an alternate data stream and some Chinese names.
#
#   tools/make_sample_volume.sh [OUTPUT.img.gz]   (default tests/data/sample.img.gz)
#
# Needs root (FUSE mount), mkntfs and ntfs-3g (Debian package ntfs-3g). The
# content is deterministic; only timestamps of the NTFS metadata files differ
# between runs.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-tests/data/sample.img.gz}

work=$(mktemp -d)
mnt="$work/mnt"
img="$work/sample.img"
cleanup() {
  mountpoint -q "$mnt" 2>/dev/null && umount "$mnt"
  rm -rf "$work"
}
trap cleanup EXIT

truncate -s 64M "$img"
mkntfs -F -q -f -L Sample "$img" >/dev/null 2>&1
mkdir "$mnt"
ntfs-3g -o streams_interface=windows "$img" "$mnt"

# Deterministic text of exactly $2 bytes at $1: its own path, repeated (so
# the compressed image stays small).
text_file() {
  local path=$1 bytes=$2
  mkdir -p "$(dirname "$path")"
  { yes "${path#"$mnt"/}" || true; } | head -c "$bytes" >"$path"
}
# A file of $2 MiB of zeros (real clusters, compresses to almost nothing).
zero_file() {
  mkdir -p "$(dirname "$1")"
  head -c $(($2 * 1048576)) /dev/zero >"$1"
}
stamp() { touch -d "$1" "$2"; }

m=$mnt
# Users/alice: documents, pictures, music, videos, downloads.
for i in $(seq 1 24); do text_file "$m/Users/alice/Documents/report-$i.docx" $((3000 + i * 517)); done
for i in $(seq 1 12); do text_file "$m/Users/alice/Documents/notes-$i.txt" $((200 + i * 37)); done
for i in $(seq 1 8); do text_file "$m/Users/alice/Documents/预算-$i.xlsx" $((9000 + i * 1203)); done
for y in 2021 2022 2023; do
  for i in $(seq 1 30); do text_file "$m/Users/alice/Pictures/$y/IMG_$y$(printf %04d "$i").JPG" $((40000 + i * 911)); done
done
for i in $(seq 1 10); do text_file "$m/Users/alice/Pictures/照片/家庭-$i.jpg" $((25000 + i * 733)); done
for i in $(seq 1 16); do text_file "$m/Users/alice/Music/track-$(printf %02d "$i").mp3" $((120000 + i * 4099)); done
zero_file "$m/Users/alice/Videos/holiday.mp4" 9
zero_file "$m/Users/alice/Videos/birthday.mp4" 5
text_file "$m/Users/alice/Downloads/setup-tool.exe" 350000
text_file "$m/Users/alice/Downloads/archive.zip" 220000
echo "[ZoneTransfer]" >"$m/Users/alice/Downloads/setup-tool.exe:Zone.Identifier"
echo "ZoneId=3" >>"$m/Users/alice/Downloads/setup-tool.exe:Zone.Identifier"
text_file "$m/Users/alice/.profile" 180
text_file "$m/Users/alice/Desktop/todo" 90
mkdir -p "$m/Users/Public/Documents" "$m/Users/bob"
text_file "$m/Users/bob/readme.TXT" 400

# Program Files: two applications.
for i in $(seq 1 14); do text_file "$m/Program Files/Tarnwick/lib$i.dll" $((60000 + i * 2711)); done
text_file "$m/Program Files/Tarnwick/tarnwick.exe" 410000
text_file "$m/Program Files/Tarnwick/README.txt" 2100
for i in $(seq 1 20); do text_file "$m/Program Files/Editor/plugins/plugin-$i.dll" $((15000 + i * 977)); done
text_file "$m/Program Files/Editor/editor.exe" 280000
for i in $(seq 1 6); do text_file "$m/Program Files/Editor/lang/zh-CN-$i.json" $((1500 + i * 101)); done

# Windows: system files, logs, a large page file that is sparse.
for i in $(seq 1 40); do text_file "$m/Windows/System32/sys$(printf %03d "$i").dll" $((30000 + i * 1531)); done
for i in $(seq 1 10); do text_file "$m/Windows/System32/tool$i.exe" $((45000 + i * 3001)); done
for i in $(seq 1 12); do text_file "$m/Windows/Logs/setup-$i.log" $((5000 + i * 613)); done
for i in $(seq 1 8); do text_file "$m/Windows/Temp/tmp$i.tmp" $((100 + i * 50)); done
truncate -s 6M "$m/Windows/pagefile.sys"   # sparse: no data clusters written
zero_file "$m/Windows/memory.dmp" 4

# A source tree with many small files.
for d in src include tests docs; do
  for i in $(seq 1 12); do
    case $d in
      src) ext=cpp ;; include) ext=h ;; tests) ext=cpp ;; docs) ext=md ;;
    esac
    text_file "$m/projects/tarnwick/$d/file$i.$ext" $((800 + i * 211))
  done
done
text_file "$m/projects/tarnwick/CMakeLists.txt" 1800
text_file "$m/projects/tarnwick/Makefile" 600
text_file "$m/projects/tarnwick/.gitignore" 40
mkdir -p "$m/projects/empty"

# Root files, one of them hard-linked into alice's documents.
text_file "$m/bootmgr" 40000
text_file "$m/setup.log" 3000
ln "$m/Program Files/Tarnwick/README.txt" "$m/Users/alice/Documents/tarnwick-readme.txt"

# Believable dates on the user's files.
find "$m/Users" "$m/projects" -type f -name '*' -print0 |
  while IFS= read -r -d '' f; do stamp "2024-03-07 09:05:01" "$f"; done
stamp "2023-06-01 12:00:00" "$m/Program Files/Tarnwick/tarnwick.exe"

umount "$mnt"
mkdir -p "$(dirname "$out")"
gzip -9 -n -c "$img" >"$out"
echo "wrote $out ($(stat -c %s "$out") bytes)"
