#!/usr/bin/env bash
# vok32-wallpaper --restore on plain X11: the recorded wallpaper comes back,
# pixel for pixel, on an X server started anew; nothing recorded or the file
# gone changes nothing; a compositor we cannot drive is named in the message.
# Usage: restore_test.sh PATH/TO/vok32-wallpaper
set -euo pipefail
tool=$1
for t in Xvfb xwd convert cmp; do
  command -v $t >/dev/null || { echo "FAIL: $t is missing (scripts/install-deps)"; exit 1; }
done
work=$(mktemp -d)
xvfb=
stop_x() { if [ -n "$xvfb" ]; then kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null || true; xvfb=; fi; }
trap 'stop_x; rm -rf "$work"' EXIT
export HOME=$work VOK32_WINDIR=$work/windows XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY SWAYSOCK
export XDG_SESSION_TYPE=x11
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

display=
start_x() {  # on the display of the last run when there was one
  local n
  for n in ${display:-$(seq 90 200)}; do
    [ -z "$display" ] && { [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; } && continue
    Xvfb :$n -noreset -nolisten tcp -screen 0 64x40x24 >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 1 100); do
      [ -e /tmp/.X11-unix/X$n ] && break
      kill -0 $xvfb 2>/dev/null || break
      sleep 0.05
    done
    if kill -0 $xvfb 2>/dev/null && [ -e /tmp/.X11-unix/X$n ]; then
      display=$n
      export DISPLAY=:$n
      return 0
    fi
  done
  echo "FAIL: no X server could be started"
  exit 1
}
screen() { xwd -root -silent | convert xwd:- -depth 8 rgb:-; }

# A 24-bit picture of 13x7 and what the 64x40 screen must show of it.
# Red across, green down, a blue check: a tile or centre off by one shows.
convert -size 13x7 xc:black -channel R -fx 'i/w' -channel G -fx 'j/h' -channel B -fx '((i*7+j*3)%5)/4' \
  +channel -depth 8 -type TrueColor "BMP3:$work/Pic.bmp"
convert -size 64x40 xc:black "$work/Pic.bmp" -geometry +25+16 -composite -depth 8 rgb:"$work/centred.rgb"
convert -size 64x40 tile:"$work/Pic.bmp" -depth 8 rgb:"$work/tiled.rgb"

start_x
for mode in tile center; do
  want=$work/tiled.rgb
  [ $mode = center ] && want=$work/centred.rgb
  "$tool" --$mode "$work/Pic.bmp" || fail "setting it $mode"
  screen > "$work/set.rgb"
  cmp -s "$work/set.rgb" "$want" || fail "$mode: the screen is not the picture"
  stop_x
  start_x
  cp "$work/windows/win.ini" "$work/win.ini.before"
  "$tool" --restore || fail "$mode: --restore failed"
  screen > "$work/restored.rgb"
  cmp -s "$work/restored.rgb" "$want" || fail "$mode: after a new X server, --restore does not show the picture"
  cmp -s "$work/windows/win.ini" "$work/win.ini.before" || fail "$mode: --restore changed win.ini"
done

# Nothing recorded, or the file gone: exit 1, a message, the screen as it was.
stop_x
start_x
screen > "$work/black.rgb"
for case in nothing gone; do
  if [ $case = nothing ]; then
    rm -rf "$work/windows"
  else
    "$tool" --tile "$work/Pic.bmp" >/dev/null
    stop_x
    start_x
    rm "$work/Pic.bmp"
    cp "$work/windows/win.ini" "$work/win.ini.before"
  fi
  status=0
  "$tool" --restore 2> "$work/err" || status=$?
  [ $status = 1 ] || fail "$case: exit $status, want 1"
  [ -s "$work/err" ] || fail "$case: no message"
  screen > "$work/after.rgb"
  cmp -s "$work/after.rgb" "$work/black.rgb" || fail "$case: the screen changed"
  [ $case = nothing ] || cmp -s "$work/windows/win.ini" "$work/win.ini.before" || fail "$case: win.ini changed"
done

# A compositor we cannot drive: the message names it and what would do.
status=0
convert -size 3x3 xc:white -type TrueColor "BMP3:$work/White.bmp"
XDG_CURRENT_DESKTOP=Hyprland WAYLAND_DISPLAY=wayland-9 XDG_SESSION_TYPE=wayland \
  "$tool" --center "$work/White.bmp" 2> "$work/err" || status=$?
[ $status = 1 ] || fail "Hyprland: exit $status, want 1"
grep -q 'Hyprland' "$work/err" && grep -q 'needs' "$work/err" || fail "Hyprland: the message does not say why: $(cat "$work/err")"

if [ $failures -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "restore: all passed"
