#!/usr/bin/env bash
# Times vok32-lha against lhasa and 7z on the same archives: listing a
# 200-member archive, and extracting one 6 MB member packed with lh5 and lh7.
# Prints the median wall time of several runs, the ratio to vok32-lha and the
# peak resident memory. Then listing archives of 1,000 to 280,000 members
# whose long names all need a short name and share their first four
# characters, against lhasa, with the time per member: it must stay flat.
# Usage: bench/lha.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
runs="${2:-7}"
lha="$PWD/$build/archive/vok32-lha"
[ -x "$lha" ] || { echo "build $lha first (cmake --build $build --target vok32-lha)"; exit 1; }
for tool in lhasa 7z jlha /usr/bin/time python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps)"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# A 6 MB wallpaper: smooth gradients with some grain, as a scanned photo has.
python3 - <<'PY'
import random, struct
W, H = 2048, 1024
random.seed(1)
rows = []
for y in range(H):
    base = bytes(((x * 255 // W + y // 8) & 0xFF, (y * 255 // H) & 0xFF, (x ^ y) & 0x3F)
                 [i] for x in range(W) for i in range(3))
    grain = random.randbytes(W * 3)
    rows.append(bytes((b + (g & 7)) & 0xFF for b, g in zip(base, grain)))
data = b"".join(rows)
hdr = b"BM" + struct.pack("<IHHI", 54 + len(data), 0, 0, 54) + struct.pack(
    "<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
open("BIG.BMP", "wb").write(hdr + data)
PY
mkdir many
for i in $(seq -w 1 200); do
  head -c $((500 + 10#$i * 37)) /usr/share/common-licenses/GPL-3 > "many/W$i.TXT"
done
(cd many && jlha c1o5 ../many.lzh W*.TXT >/dev/null)
jlha c1o5 big5.lzh BIG.BMP >/dev/null
jlha c1o7 big7.lzh BIG.BMP >/dev/null

# Median milliseconds and peak KB of one command over $runs runs, each in a
# fresh empty directory.
measure() {
  local times=() peak=0 i dir t0 t1 kb
  for ((i = 0; i < runs; i++)); do
    dir=$(mktemp -d -p "$work")
    t0=$(date +%s%N)
    (cd "$dir" && /usr/bin/time -f %M -o "$work/mem" "$@" >/dev/null 2>&1)
    t1=$(date +%s%N)
    times+=($(((t1 - t0) / 1000)))
    kb=$(tail -1 "$work/mem")
    ((kb > peak)) && peak=$kb
    rm -rf "$dir"
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
  echo "$median $peak"
}

row() {  # task tool base_us us kb
  awk -v task="$1" -v tool="$2" -v base="$3" -v us="$4" -v kb="$5" \
    'BEGIN { printf "%-22s %-10s %10.1f %8.2f %10d\n", task, tool, us / 1000, us / base, kb }'
}

printf '%-22s %-10s %10s %8s %10s\n' task tool "median ms" "x vok32" "peak KB"
bench() {  # task, then three commands as strings
  local task=$1 base kb us
  read -r base kb < <(measure bash -c "$2")
  row "$task" vok32-lha "$base" "$base" "$kb"
  read -r us kb < <(measure bash -c "$3")
  row "$task" lhasa "$base" "$us" "$kb"
  read -r us kb < <(measure bash -c "$4")
  row "$task" 7z "$base" "$us" "$kb"
}
bench "list 200 members" "'$lha' l '$work/many.lzh'" "lhasa l '$work/many.lzh'" "7z l '$work/many.lzh'"
bench "extract 6 MB lh5" "'$lha' e '$work/big5.lzh' BIG.BMP" "lhasa e '$work/big5.lzh'" "7z e -y '$work/big5.lzh'"
bench "extract 6 MB lh7" "'$lha' e '$work/big7.lzh' BIG.BMP" "lhasa e '$work/big7.lzh'" "7z e -y '$work/big7.lzh'"

# Level-0 headers of empty -lh0- members, written directly: an archiver
# would need the 280,000 files on disk first.
many_names() {  # count file
  python3 - "$1" "$2" <<'PY'
import struct, sys
count, out = int(sys.argv[1]), sys.argv[2]
with open(out, "wb") as f:
    # 1,444 stems of six characters sharing their first four, taken in turn:
    # past nine members each, their short names collide across stems.
    alpha = b"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-"
    for i in range(count):
        k = i % (38 * 38)
        name = b"ABCD" + alpha[k % 38:k % 38 + 1] + alpha[k // 38:k // 38 + 1] + b"_%06d_holiday_pictures.BMP" % i
        body = b"-lh0-" + struct.pack("<IIIBBB", 0, 0, 0x5A8B6000, 0x20, 0, len(name)) + name + b"\0\0"
        f.write(bytes([len(body), sum(body) & 0xFF]) + body)
    f.write(b"\0")
PY
}
printf '\n%-22s %-10s %10s %8s %10s %12s\n' task tool "median ms" "x vok32" "peak KB" "us/member"
for n in 1000 10000 70000 280000; do
  many_names "$n" "names$n.lzh"
  r=$((runs < 3 ? runs : 3))
  for tool in vok32-lha lhasa; do
    cmd="'$lha' l '$work/names$n.lzh'"
    [ "$tool" = lhasa ] && cmd="lhasa l '$work/names$n.lzh'"
    read -r us kb < <(runs=$r measure bash -c "$cmd")
    [ "$tool" = vok32-lha ] && base=$us
    awk -v task="list $n short names" -v tool="$tool" -v base="$base" -v us="$us" -v kb="$kb" -v n="$n" \
      'BEGIN { printf "%-22s %-10s %10.1f %8.2f %10d %12.2f\n", task, tool, us / 1000, us / base, kb, us / n }'
  done
done
echo "($runs runs each; archives: $(stat -c %s many.lzh) / $(stat -c %s big5.lzh) / $(stat -c %s big7.lzh) bytes)"
