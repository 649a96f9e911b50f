#!/usr/bin/env bash
# Start to first paint and peak memory of the VOK32 window, side by side with
# other small X programs that open one window with a picture or text:
# ImageMagick's display (showing the logo), xclock and xmessage.
# Runs on a private Xvfb display with no window manager. Prints the median of
# several runs. Usage: bench/window.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
runs="${2:-7}"
app="$PWD/$build/app/vok32"
[ -x "$app" ] || { echo "build $app first (cmake --build $build --target vok32)"; exit 1; }
for tool in cc display xclock xmessage convert Xvfb; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps)"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/first_paint" bench/first_paint.c -lX11
convert resources/pictures/logo.xpm -scale 600% "$work/logo.png"
mkdir -p "$work/home" "$work/win"

measure() {  # name, command...: prints median ms and median peak KiB
  local name=$1; shift
  local out="$work/runs"
  : > "$out"
  for _ in $(seq 1 "$runs"); do
    HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" VOK32_WINDIR="$work/win" \
      "$work/first_paint" "$name" "$@" >> "$out"
  done
  local ms kb
  ms=$(cut -d' ' -f1 "$out" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  kb=$(cut -d' ' -f2 "$out" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  echo "$ms $kb"
}

run_all() {
  printf '%-22s %14s %14s\n' "program" "first paint ms" "peak RSS KiB"
  while IFS='|' read -r label name cmd; do
    read -r ms kb < <(measure "$name" $cmd)
    printf '%-22s %14s %14s\n' "$label" "$ms" "$kb"
  done <<LIST
vok32 (logo)|VOK32|$app
display (logo, x6)|ImageMagick: logo.png|display $work/logo.png
xclock|xclock|xclock
xmessage|xmessage|xmessage VOK32
LIST
}

export -f measure run_all
export work runs app
tests/with-xvfb -s 1024x768 bash -c run_all
