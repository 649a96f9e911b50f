#!/usr/bin/env bash
# vok32-lha against its peers, process against process, in interleaved pairs:
# listing against `lhasa l`, extracting against `7z e`. The data is made here:
# photo-like bitmaps (gradients with grain, about 3:1 under lh5) packed with
# jlha, and archives of 10 to 280,000 small members.
# Prints, per task, the median wall and CPU milliseconds of each with the
# median ratios, the goal and the peak resident memory (KB) of each; then
# whether extraction's memory stays flat as the member grows.
# Usage: bench/archive.sh [BUILD_DIR] [RUNS] [quick]   (quick: skips the largest runs)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
runs="${2:-9}"
quick="${3:-}"
case $build in /*) ;; *) build="$PWD/$build" ;; esac
lha="$build/archive/vok32-lha"
[ -x "$lha" ] || { echo "build $lha first (cmake --build $build --target vok32-lha)"; exit 1; }
for tool in lhasa 7z jlha cc python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps)"; exit 1; }
done
pairs="python3 $PWD/bench/pairs.py"

# On tmpfs when there is one, so that the disk does not time either side.
base=/dev/shm
[ -d "$base" ] && [ -w "$base" ] || base=${TMPDIR:-/tmp}
work=$(mktemp -d -p "$base" vok32-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
cc -O2 -o "$work/picture" bench/picture.c
cc -O2 -o "$work/spawn" bench/spawn.c
export VOK32_SPAWN="$work/spawn"
cd "$work"

# Bitmaps of about 1, 6, 50 and 100 MB, one per archive.
declare -A sizes=([1]="1024 341" [6]="2048 1024" [50]="4096 4267" [100]="8192 4267")
mbs=(1 6 50 100)
[ -n "$quick" ] && mbs=(1 6)
for mb in "${mbs[@]}"; do
  mkdir -p "p$mb"
  ./picture ${sizes[$mb]} "p$mb/PIC$mb.BMP"
  (cd "p$mb" && jlha c1o5 "../pic${mb}_lh5.lzh" "PIC$mb.BMP" >/dev/null)
done
(cd p6 && jlha c1o7 ../pic6_lh7.lzh PIC6.BMP >/dev/null)

# Archives of small stored members, as a folder of icons or notes would be,
# written here directly: adding 280,000 files with jlha takes most of an hour.
counts=(10 200 2000 280000)
[ -n "$quick" ] && counts=(10 200 2000)
for n in "${counts[@]}"; do
  python3 - "many$n.lzh" "$n" <<'PY'
import struct, sys

def crc16(data):
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc

text = open("/usr/share/common-licenses/GPL-3", "rb").read()
crcs = {}
out = bytearray()
for i in range(int(sys.argv[2])):
    start = (i % 97) * 7  # a few thousand distinct texts, so the CRCs are cached
    data = text[start : start + 200 + (i % 13) * 23]
    key = (start, len(data))
    crc = crcs.get(key)
    if crc is None:
        crc = crcs[key] = crc16(data)
    name = b"M%06d.TXT" % i
    h = (b"-lh0-" + struct.pack("<IIIBBB", len(data), len(data), 0x5A2B6000, 0x20, 0, len(name))
         + name + struct.pack("<H", crc))
    out += bytes([len(h), sum(h) & 0xFF]) + h + data
out += b"\0"
open(sys.argv[1], "wb").write(out)
PY
done

ratio() { python3 -c "import os; print(f'{os.path.getsize(\"$1\") / os.path.getsize(\"$2\"):.2f}')"; }
echo "data: 6 MB bitmap packs $(ratio p6/PIC6.BMP pic6_lh5.lzh):1 under lh5, $(ratio p6/PIC6.BMP pic6_lh7.lzh):1 under lh7; $runs pairs each, in $base"
echo
printf '%-27s %8s %8s %5s %8s %8s %5s  %4s  %8s %8s\n' "" "wall ms" "" "" "CPU ms" "" "" "" "peak KB" ""
printf '%-27s %8s %8s %5s %8s %8s %5s  %4s  %8s %8s  %s\n' task VOK32 peer ratio VOK32 peer ratio goal VOK32 peer "goal (CPU ratio)"
for n in "${counts[@]}"; do
  $pairs "$runs" "list $n members (lhasa l)" 0.8 "$work/out" "$lha l $work/many$n.lzh" "lhasa l $work/many$n.lzh"
done
for mb in "${mbs[@]}"; do
  $pairs "$runs" "extract $mb MB lh5 (7z e)" 0.5 "$work/out" \
    "$lha e $work/pic${mb}_lh5.lzh PIC$mb.BMP" "7z e -y $work/pic${mb}_lh5.lzh"
  [ "$mb" = 6 ] && $pairs "$runs" "extract 6 MB lh7 (7z e)" 0.5 "$work/out" \
    "$lha e $work/pic6_lh7.lzh PIC6.BMP" "7z e -y $work/pic6_lh7.lzh"
done
echo
echo "peak memory extracting (KB), flat when it does not grow with the member:"
for mb in "${mbs[@]}"; do
  printf '  %3s MB: ' "$mb"
  $pairs 1 "" - "$work/out" "$lha e $work/pic${mb}_lh5.lzh PIC$mb.BMP" - | awk '{print $(NF-1)}'
done
