#!/usr/bin/env bash
# Start to first paint and peak memory of the VOK32 window, side by side with
# a minimal wx window of the same size that this script builds
# (bench/minimal_window.cpp), and with other small X programs that open one
# window: ImageMagick's display (showing the logo), xclock and xmessage.
# Runs on a private Xvfb display with no window manager; the programs take
# turns in every round. Prints medians, and VOK32's ratios to the minimal wx
# window. Usage: bench/window.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
runs="${2:-11}"
app="$PWD/$build/app/vok32"
[ -x "$app" ] || { echo "build $app first (cmake --build $build --target vok32)"; exit 1; }
for tool in cc c++ wx-config display xclock xmessage convert Xvfb; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps)"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/first_paint" bench/first_paint.c -lX11
# shellcheck disable=SC2046
c++ -O2 -o "$work/minimal_window" bench/minimal_window.cpp $(wx-config --cxxflags) $(wx-config --libs core,base)
convert resources/pictures/logo.xpm -scale 600% "$work/logo.png"
mkdir -p "$work/home" "$work/win"

cat > "$work/programs" <<LIST
vok32 (logo)|VOK32|$app
wx minimal|wx minimal|$work/minimal_window
display (logo, x6)|ImageMagick: logo.png|display $work/logo.png
xclock|xclock|xclock
xmessage|xmessage|xmessage VOK32
LIST

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

run_all() {
  local n=0
  for _ in $(seq 1 "$runs"); do
    n=0
    while IFS='|' read -r label name cmd; do
      n=$((n + 1))
      # shellcheck disable=SC2086
      HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" VOK32_WINDIR="$work/win" \
        "$work/first_paint" "$name" $cmd >> "$work/runs.$n"
    done < "$work/programs"
  done
  printf '%-22s %14s %14s\n' "program" "first paint ms" "peak RSS KiB"
  n=0
  while IFS='|' read -r label _; do
    n=$((n + 1))
    ms=$(cut -d' ' -f1 "$work/runs.$n" | median)
    kb=$(cut -d' ' -f2 "$work/runs.$n" | median)
    printf '%-22s %14s %14s\n' "$label" "$ms" "$kb"
    echo "$ms $kb" > "$work/median.$n"
  done < "$work/programs"
  read -r vms vkb < "$work/median.1"
  read -r wms wkb < "$work/median.2"
  awk -v a="$vms" -v b="$wms" -v c="$vkb" -v d="$wkb" \
    'BEGIN {printf "vok32 / wx minimal: time %.2f (goal <= 1.05), memory %.2f (goal <= 1.10)\n", a / b, c / d}'
}

export -f run_all median
export work runs
tests/with-xvfb -s 1024x768 bash -c run_all
