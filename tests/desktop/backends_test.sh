#!/usr/bin/env bash
# The desktops that vok32-wallpaper drives through their own tools, run for
# real: LXDE (pcmanfm --desktop on Xvfb, its desktop window captured) and
# sway (headless, captured with grim). Each shows the picture centred and
# tiled, checked pixel for pixel.
# Usage: backends_test.sh lxde|sway PATH/TO/vok32-wallpaper
set -euo pipefail
backend=$1
tool=$(realpath "$2")
need=(convert cmp timeout)
case $backend in
  lxde) need+=(Xvfb pcmanfm xdotool xwininfo xwd dbus-run-session) ;;
  sway) need+=(sway swaymsg swaybg grim setpriv) ;;
  *) echo "usage: $0 lxde|sway TOOL"; exit 2 ;;
esac
for t in "${need[@]}"; do
  command -v "$t" >/dev/null || { echo "FAIL: $t is missing (scripts/install-deps)"; exit 1; }
done

# sway will not run as root: the sway half runs as nobody, from a copy of
# the tool in a folder nobody can read.
if [ "$backend" = sway ] && [ "$(id -u)" = 0 ] && [ -z "${VOK32_TEST_DROPPED:-}" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cp "$tool" "$0" "$work/"
  chown -R 65534:65534 "$work"
  status=0
  VOK32_TEST_DROPPED=1 TMPDIR="$work" setpriv --reuid=65534 --regid=65534 --clear-groups \
    bash "$work/$(basename "$0")" sway "$work/$(basename "$tool")" || status=$?
  exit $status
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work/home VOK32_WINDIR=$work/windows XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
export XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DESKTOP_SESSION WAYLAND_DISPLAY SWAYSOCK DISPLAY
W=320 H=200
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Waits up to 5 s for a capture (by "$@") whose part at $2 matches the file $1.
settles() {
  local want=$1 crop=$2
  shift 2
  for _ in $(seq 1 50); do
    "$@" > "$work/shot.png" 2>/dev/null &&
      convert "$work/shot.png" -crop "$crop" +repage -depth 8 rgb:- 2>/dev/null | cmp -s - "$want" && return 0
    sleep 0.1
  done
  return 1
}

check() {  # picture WxH, capture command...: centred, then tiled
  local size=$1 w h
  shift
  w=${size%x*} h=${size#*x}
  # Red across, green down, a blue check: a tile or centre off by one shows.
  convert -size "$size" xc:black -channel R -fx 'i/w' -channel G -fx 'j/h' -channel B -fx '((i*7+j*3)%5)/4' \
    +channel -depth 8 -type TrueColor "BMP3:$work/Pic.bmp"
  convert "$work/Pic.bmp" -depth 8 rgb:"$work/picture.rgb"
  convert -size ${W}x$H tile:"$work/Pic.bmp" -depth 8 rgb:"$work/tiled.rgb"
  "$tool" --center "$work/Pic.bmp" || fail "$backend: centred: vok32-wallpaper failed"
  settles "$work/picture.rgb" "${size}+$(((W - w) / 2))+$(((H - h) / 2))" "$@" ||
    fail "$backend: centred: the picture is not at ((W-w)/2, (H-h)/2)"
  cp "$work/shot.png" "$work/centred.png"
  "$tool" --tile "$work/Pic.bmp" || fail "$backend: tiled: vok32-wallpaper failed"
  settles "$work/tiled.rgb" "${W}x$H+0+0" "$@" || fail "$backend: tiled: the screen is not tiled from (0,0)"
  # Kept for a look when asked.
  if [ -n "${VOK32_TEST_SHOTS:-}" ]; then cp "$work/centred.png" "$VOK32_TEST_SHOTS/$backend-centred.png"; cp "$work/shot.png" "$VOK32_TEST_SHOTS/$backend-tiled.png"; fi
}

wait_for() {  # up to 10 s for "$@" to succeed
  for _ in $(seq 1 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

if [ "$backend" = lxde ]; then
  for n in $(seq 90 200); do
    [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] && continue
    Xvfb :$n -noreset -nolisten tcp -screen 0 ${W}x${H}x24 >/dev/null 2>&1 &
    pids+=($!)
    wait_for test -e /tmp/.X11-unix/X$n && kill -0 "${pids[-1]}" 2>/dev/null && break
  done
  export DISPLAY=:$n XDG_CURRENT_DESKTOP=LXDE
  dbus-run-session -- timeout 60 pcmanfm --desktop >"$work/pcmanfm.log" 2>&1 &
  pids+=($!)
  # Its desktop window: the one pcmanfm window as large as the screen.
  desktop_window() {
    local id
    for id in $(xdotool search --onlyvisible --class pcmanfm 2>/dev/null); do
      xwininfo -id "$id" | grep -q "geometry ${W}x$H+0+0" && { echo "$id"; return 0; }
    done
    return 1
  }
  wait_for desktop_window || { echo "FAIL: pcmanfm --desktop showed no desktop window"; cat "$work/pcmanfm.log"; exit 1; }
  win=$(desktop_window)
  capture() { xwd -id "$win" -silent | convert xwd:- png:-; }
  check 41x23 capture
else
  printf 'output HEADLESS-1 resolution %sx%s\nxwayland disable\n' $W $H > "$work/sway.conf"
  WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman timeout 60 sway -c "$work/sway.conf" \
    >"$work/sway.log" 2>&1 &
  pids+=($!)
  sock() { ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock 2>/dev/null | head -1 | grep .; }
  wait_for sock || { echo "FAIL: sway did not start"; cat "$work/sway.log"; exit 1; }
  export SWAYSOCK=$(sock) XDG_CURRENT_DESKTOP=sway
  export WAYLAND_DISPLAY=$(cd "$XDG_RUNTIME_DIR" && ls wayland-* | grep -v lock | head -1)
  capture() { grim -t png -; }
  # swaybg centres at half pixels where W-w is odd, and smooths: an even
  # margin keeps the picture's pixels whole.
  check 40x22 capture
fi

if [ $failures -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "$backend: all passed"
