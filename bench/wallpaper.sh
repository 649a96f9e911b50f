#!/usr/bin/env bash
# Times setting a 1920x1080 24-bit BMP as the root window's wallpaper, centred,
# with vok32-wallpaper against feh --bg-center and hsetroot -center, all on
# the same private Xvfb. Prints the median wall time of several runs, the
# ratio of vok32 to each (paired, interleaved runs) and the peak resident memory.
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

# One run of "$@": wall microseconds and peak KB into $us and $kb.
run_once() {
  local t0 t1
  t0=$(date +%s%N)
  /usr/bin/time -f %M -o "$work/mem" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  t1=$(date +%s%N)
  us=$(((t1 - t0) / 1000))
  kb=$(tail -1 "$work/mem")
}

median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

tools=(vok32-wallpaper feh hsetroot)
commands=(
  "$tool --center $work/WALL.BMP"
  "feh --no-fehbg --bg-center $work/WALL.BMP"
  "hsetroot -center $work/WALL.BMP"
)
declare -A times peaks ratios
# Interleaved, so a machine that slows down meanwhile slows every tool alike;
# each peer's ratio is taken against the vok32 run just before it.
for ((i = 0; i < runs + 1; i++)); do
  for t in 0 1 2; do
    # shellcheck disable=SC2086
    run_once ${commands[$t]}
    ((i == 0)) && continue  # warm-up
    times[$t]+="$us "
    ((kb > ${peaks[$t]:-0})) && peaks[$t]=$kb
    ((t == 0)) && base=$us
    ratios[$t]+="$((base * 1000 / us)) "
  done
done

echo "centre a 1920x1080 24-bit BMP on the root window of Xvfb ($DISPLAY)"
printf '%-16s %10s %14s %10s\n' tool "median ms" "vok32 / this" "peak KB"
for t in 0 1 2; do
  # shellcheck disable=SC2086
  awk -v tool="${tools[$t]}" -v us="$(median ${times[$t]})" -v r="$(median ${ratios[$t]})" -v kb="${peaks[$t]}" \
    'BEGIN { printf "%-16s %10.1f %14.2f %10d\n", tool, us / 1000, r / 1000, kb }'
done
echo "($runs runs each, interleaved; the ratio is the median of paired runs)"
