# Wine helpers shared by the GUI tests and the GUI demo. Source it; needs the
# Debian packages wine64, wine, xvfb and fonts-noto-cjk.
#
#   tw_wine_prefix DIR            a fresh prefix: CJK font replacement, every
#                                 program on one virtual desktop 1600x1000
#   tw_wine_map_drive DIR L IMG   drive L: opens IMG as its raw volume
#                                 (\\.\L:) and is a fixed drive
#   tw_xvfb_start                 starts Xvfb on a free display (screen
#                                 TW_XVFB_SCREEN, default the desktop size);
#                                 sets DISPLAY and TW_XVFB_PID
#   tw_wine_stop                  ends the prefix's wineserver (and its programs)

TW_WINE_DESKTOP=${TW_WINE_DESKTOP:-1600x1000}

tw_wine_prefix() {
  local prefix=$1
  export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  mkdir -p "$prefix"
  wine wineboot -i >/dev/null 2>&1
  local reg="$prefix/tarnwick.reg"
  cat >"$reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]
"Segoe UI"="Noto Sans CJK SC"
"Tahoma"="Noto Sans CJK SC"
"MS Shell Dlg"="Noto Sans CJK SC"
"MS Shell Dlg 2"="Noto Sans CJK SC"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="$TW_WINE_DESKTOP"
REG
  wine regedit "$reg" >/dev/null 2>&1
  wineserver -w
}

tw_wine_map_drive() {
  local prefix=$1 letter=$2 image=$3
  local dir="$prefix/drive_${letter}"
  mkdir -p "$dir"
  ln -sfn "$(readlink -f "$image")" "$prefix/dosdevices/${letter}::"
  ln -sfn "$dir" "$prefix/dosdevices/${letter}:"
}

tw_xvfb_start() {
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "${TW_XVFB_SCREEN:-$TW_WINE_DESKTOP}x24" -nolisten tcp >/dev/null 2>&1 &
  TW_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.1
  done
  echo "Xvfb did not start on :$n" >&2
  return 1
}

tw_wine_stop() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
}
