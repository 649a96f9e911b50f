#!/usr/bin/env bash
# Starts the real program many times, each on a fresh X server under a window
# manager, as a user would: listed archive at start, a resize, the exit
# button. Every start must print nothing on stderr and come up at the size it
# computed (the stored one when there is one), never as a sliver.
# Usage: tests/gui/starts.sh VOK32 ARCHIVE [STARTS]
set -euo pipefail
app=$1
archive=$2
starts=${3:-6}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$archive" "$work/pics.lzh"
dos="z:$(echo "$work/pics.lzh" | tr / '\\')"

# One start on the current display; stored rectangle $1 (may be empty).
# Prints the frame's outer size as it came up, then what the exit stored.
one_start() {
  local stored=$1 win="$work/win" err="$work/err" id=
  rm -rf "$win" && mkdir -p "$win" "$work/home"
  { echo "[VOK32]"; echo "LZHFile=$dos"; [ -n "$stored" ] && echo "WindowSize=$stored"; } > "$win/vok32.ini"
  HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" VOK32_WINDIR="$win" GSETTINGS_BACKEND=memory \
    "$app" 2> "$err" &
  local pid=$!
  for _ in $(seq 1 200); do
    id=$(xdotool search --onlyvisible --name '^VOK32$' 2>/dev/null | head -1) && [ -n "$id" ] &&
      xprop -id "$id" _NET_FRAME_EXTENTS | grep -q = && break
    sleep 0.05
  done
  [ -n "$id" ] || { echo "no window"; kill $pid; return 1; }
  sleep 0.5  # the archive's listing and the first paints
  local w h l r t b
  eval "$(xdotool getwindowgeometry --shell "$id")"
  read -r l r t b < <(xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  echo "$((WIDTH + l + r)) $((HEIGHT + t + b))"
  xdotool windowsize "$id" "$WIDTH" $((HEIGHT + 37))
  sleep 0.3
  # The exit button: the tool bar's first face, at the client's top left.
  xdotool mousemove --window "$id" 12 12 click 1
  for _ in $(seq 1 100); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done
  if kill -0 $pid 2>/dev/null; then echo "exit button did not end it"; kill $pid; return 1; fi
  wait $pid || { echo "exit status $?"; return 1; }
  grep '^WindowSize=' "$win/vok32.ini" | cut -d= -f2 | tr -d '\r'
  if [ -s "$err" ]; then echo "stderr:"; cat "$err"; return 1; fi
}
export -f one_start
export app work dos

failed=0
fail() { echo "FAIL: $*"; failed=1; }
stored=
first=
for n in $(seq 1 "$starts"); do
  # Alternately: nothing stored, the default rectangle stored, a taller one.
  case $((n % 3)) in
    1) ask= ;;
    2) ask=$stored ;;
    0) read -r L R T B <<< "$stored"; ask="$L $R $T $((B + 200))" ;;
  esac
  out=$("$here/../with-xvfb" -s 1024x768 "$here/with-openbox" bash -c "one_start '$ask'" 2>&1) ||
    { fail "start $n ($ask): $out"; continue; }
  read -r W H <<< "$(sed -n 1p <<< "$out")"
  wrote=$(sed -n 2p <<< "$out")
  if [ -z "$ask" ]; then
    [ -z "$first" ] && first="$W $H" && stored=$(echo "$wrote" | awk -v h=37 '{print $1, $2, $3, $4 - h}')
    [ "$W $H" = "$first" ] || fail "start $n came up ${W}x$H, the first ${first/ /x}"
    [ "$W" -ge 198 ] && [ "$H" -ge 100 ] || fail "start $n came up ${W}x$H"
  else
    read -r L R T B <<< "$ask"
    [ "$W $H" = "$((R - L)) $((B - T))" ] || fail "start $n came up ${W}x$H, stored $ask"
  fi
  read -r L R T B <<< "$wrote"
  [ "$((B - T))" = "$((H + 37))" ] || fail "start $n: after the resize the exit stored $wrote"
done
[ $failed = 0 ] && echo "$starts starts, all quiet and at their size"
exit $failed
