#!/usr/bin/env bash
# The listing's hover preview: time from the pointer resting on a row to the
# picture of a 6 MB member on the screen (decoded fresh, and from the cache),
# beside what a user does without it (extract the member, then make a
# thumbnail of it); and the window's memory before hovering and with the
# picture cache full. Runs on a private Xvfb display.
# Usage: bench/preview.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
runs="${2:-5}"
for tool in convert jlha Xvfb; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps)"; exit 1; }
done
cmake --build "$build" --target preview_bench >/dev/null
bench="$PWD/$build/bench/preview_bench"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/pics" "$work/win" "$work/home" "$work/out"
cd "$work/pics"
# 1448 x 1448 x 24 bits: a 6 MB member that compresses like a photograph,
# green in the middle so that its picture is recognised on the screen.
convert -size 1448x1448 -seed 7 plasma:fractal -fill '#00ff00' -draw 'rectangle 470,470 978,978' BMP3:BIG.BMP
names=""
for i in $(seq 100 139); do
  convert -size 320x240 -seed "$i" plasma:fractal "BMP3:F$i.BMP"
  names="$names F$i.BMP"
done
jlha aq pics.lzh BIG.BMP $names
rm -f BIG.BMP $names
member=$(stat -c %s pics.lzh)
printf '[VOK32]\r\nLZHFile=z:%s\r\n' "$(echo "$work/pics/pics.lzh" | tr / '\\')" > "$work/win/vok32.ini"
cd - >/dev/null

out=$(HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache" \
      VOK32_WINDIR="$work/win" GSETTINGS_BACKEND=memory \
      tests/with-xvfb -s 1024x768 "$bench" "$work/pics/pics.lzh" "$runs")
get() { echo "$out" | awk -v k="$1" '$1 == k {print $2}'; }

# Without a preview: extract the member, then make a picture of it.
peer=()
for _ in $(seq 1 "$runs"); do
  rm -f "$work/out/"*
  t0=$(date +%s%N)
  (cd "$work/out" && jlha eq "$work/pics/pics.lzh" BIG.BMP && convert BIG.BMP -thumbnail 160x120 thumb.png)
  t1=$(date +%s%N)
  peer+=($(( (t1 - t0) / 1000000 )))
done
peer_ms=$(printf '%s\n' "${peer[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')

echo "archive: 41 members, $((member / 1024)) KiB; first member BIG.BMP 1448x1448, 6 MB; medians of $runs runs"
printf '%-58s %8s\n' "from the pointer resting on the row to the picture" "ms"
printf '%-58s %8s\n' "  vok32 hover, decoded fresh (rest delay $(get rest_ms) ms included)" "$(get rest_to_picture_ms)"
printf '%-58s %8s\n' "  vok32 hover, from the cache" "$(get rest_to_picture_cached_ms)"
printf '%-58s %8s\n' "  without it: jlha e, then convert -thumbnail (no rest)" "$peer_ms"
printf '%-58s %8s\n' "window memory" "KiB"
printf '%-58s %8s\n' "  vok32, listing open, nothing hovered (RSS)" "$(get rss_start_kib)"
printf '%-58s %8s\n' "  vok32, cache full: $(get cached_pictures) pictures (RSS)" "$(get rss_cache_full_kib)"
printf '%-58s %8s\n' "  vok32, peak while decoding (VmHWM)" "$(get rss_peak_kib)"
