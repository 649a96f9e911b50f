#!/usr/bin/env bash
# Times setting a 1920x1080 24-bit BMP as the root window's wallpaper, centred,
# with vok32-wallpaper against feh --bg-center and hsetroot -center, all on
# the same private Xvfb. Prints the median wall time of several runs, the
# ratio to vok32 and the peak resident memory.
# Usage: bench/wallpaper.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
runs="${2:-9}"
case $build in /*) ;; *) build="$PWD/$build" ;; esac
tool="$build/desktop/vok32-wallpaper"
[ -x "$tool" ] || { echo "build $tool first (cmake --build $build --target vok32-wallpaper)"; exit 1; }
for t in feh hsetroot Xvfb /usr/bin/time python3; do
  command -v "$t" >/dev/null || { echo "missing $t (scripts/install-deps)"; exit 1; }
done

if [ -z "${VOK32_BENCH_INSIDE:-}" ]; then
  VOK32_BENCH_INSIDE=1 exec tests/with-xvfb -s 1920x1080 "$0" "$build" "$runs"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Nothing of the user's is touched: win.ini, the copies and ~/.fehbg land here.
export HOME="$work" VOK32_WINDIR="$work/windows" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY SWAYSOCK
export XDG_SESSION_TYPE=x11

python3 - "$work/WALL.BMP" <<'PY'
import struct, sys
W, H = 1920, 1080
row = lambda y: bytes(v for x in range(W) for v in ((x * 255 // W) & 0xFF, (y * 255 // H) & 0xFF, (x ^ y) & 0xFF))
data = b"".join(row(y) for y in range(H))
hdr = b"BM" + struct.pack("<IHHI", 54 + len(data), 0, 0, 54) + struct.pack(
    "<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(hdr + data)
PY

measure() {  # prints median microseconds and peak KB of "$@" over $runs runs
  local times=() peak=0 i t0 t1 kb
  for ((i = 0; i < runs; i++)); do
    t0=$(date +%s%N)
    /usr/bin/time -f %M -o "$work/mem" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    t1=$(date +%s%N)
    times+=($(((t1 - t0) / 1000)))
    kb=$(tail -1 "$work/mem")
    ((kb > peak)) && peak=$kb
  done
  echo "$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p") $peak"
}

row() {  # tool base_us us kb
  awk -v tool="$1" -v base="$2" -v us="$3" -v kb="$4" \
    'BEGIN { printf "%-16s %10.1f %8.2f %10d\n", tool, us / 1000, us / base, kb }'
}

echo "centre a 1920x1080 24-bit BMP on the root window of Xvfb ($DISPLAY)"
printf '%-16s %10s %8s %10s\n' tool "median ms" "x vok32" "peak KB"
read -r base kb < <(measure "$tool" --center "$work/WALL.BMP")
row vok32-wallpaper "$base" "$base" "$kb"
read -r us kb < <(measure feh --no-fehbg --bg-center "$work/WALL.BMP")
row feh "$base" "$us" "$kb"
read -r us kb < <(measure hsetroot -center "$work/WALL.BMP")
row hsetroot "$base" "$us" "$kb"
echo "($runs runs each)"
