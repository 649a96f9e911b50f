#!/usr/bin/env bash
# The installed programs behave like Linux programs: --help on stdout with
# status 0, --version, status 2 for wrong usage and 1 for failure with a
# message on stderr; `make run` without a display changes nothing.
# Usage: programs.sh VOK32_LHA VOK32_WALLPAPER [VOK32]
set -uo pipefail
lha=$1 wallpaper=$2 window=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Nothing here may reach the caller's settings, desktop or display.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data VOK32_WINDIR=$work/windir
unset DISPLAY WAYLAND_DISPLAY XDG_CURRENT_DESKTOP DESKTOP_SESSION SWAYSOCK
mkdir -p "$HOME" && cd "$work" || exit 1
printf 'not a bitmap' >junk.bmp

failures=0
# expect STATUS STDOUT-PATTERN STDERR-PATTERN -- COMMAND...
# A pattern of "" means the stream must be empty; "." means it must not be.
expect() {
  local status=$1 out=$2 err=$3
  shift 4
  "$@" >"$work/out" 2>"$work/err" </dev/null
  local got=$?
  local problem=""
  [ "$got" = "$status" ] || problem+=" status $got, not $status;"
  if [ -z "$out" ]; then [ ! -s "$work/out" ] || problem+=" stdout not empty;"
  elif ! grep -qE -- "$out" "$work/out"; then problem+=" stdout lacks /$out/;"; fi
  if [ -z "$err" ]; then [ ! -s "$work/err" ] || problem+=" stderr not empty;"
  elif ! grep -qE -- "$err" "$work/err"; then problem+=" stderr lacks /$err/;"; fi
  if [ -n "$problem" ]; then
    echo "FAIL: ${*##*/}:$problem"
    sed 's/^/  stdout: /' "$work/out"
    sed 's/^/  stderr: /' "$work/err"
    failures=$((failures + 1))
  fi
}

for p in "$lha" "$wallpaper" ${window:+"$window"}; do
  name=${p##*/}
  expect 0 "^usage: $name" "" -- "$p" --help
  expect 0 "^$name [0-9]+\.[0-9]+" "" -- "$p" --version
  expect 2 "" "usage: $name" -- "$p" --no-such-option
done

expect 2 "" "usage: vok32-lha" -- "$lha"
expect 2 "" "usage: vok32-lha" -- "$lha" x a.lzh
expect 1 "" "見つかりません" -- "$lha" l missing.lzh

expect 2 "" "usage: vok32-wallpaper" -- "$wallpaper"
expect 2 "" "usage: vok32-wallpaper" -- "$wallpaper" a.bmp b.bmp
expect 1 "" "missing.bmp" -- "$wallpaper" missing.bmp
expect 1 "" "not a readable BMP" -- "$wallpaper" junk.bmp
expect 1 "" "records no wallpaper" -- "$wallpaper" --restore

if [ -n "$window" ]; then
  # Without a display: one line on stderr, and nothing written anywhere.
  expect 1 "" "display" -- "$window"
  [ "$(wc -l <"$work/err")" = 1 ] || { echo "FAIL: vok32 without a display wrote $(wc -l <"$work/err") lines"; failures=$((failures + 1)); }
  left=$(find "$HOME" "$work" -newer junk.bmp ! -name out ! -name err ! -path "$work" ! -path "$HOME" | head -5)
  [ -z "$left" ] || { echo "FAIL: vok32 without a display wrote: $left"; failures=$((failures + 1)); }
fi

# `make run` without a display: says how to run it, installs and builds nothing.
repo=$(cd "$(dirname "$0")/../.." && pwd)
expect 2 "" "needs a display" -- make -s -C "$repo" run BUILD="$work/build"
left=$(find "$HOME" "$work" -newer junk.bmp ! -name out ! -name err ! -path "$work" ! -path "$HOME" | head -5)
[ -z "$left" ] || { echo "FAIL: make run without a display wrote: $left"; failures=$((failures + 1)); }

[ "$failures" = 0 ] && echo "all programs behave"
exit $((failures > 0))
