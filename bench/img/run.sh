#!/usr/bin/env bash
# Compares, in one run, `borvane-img convert` with ImageMagick's `convert` and
# libvips' `vips copy` on the same A4 300-dpi pages (2480 x 3508) at 1, 8 and
# 24 bits per pixel: whole process, median of RUNS runs, and the ratio of the
# fastest other tool to borvane-img (above 1 means borvane-img is faster).
#
# vips reads BMP only through ImageMagick, so it is given the same pixels as
# PBM / PGM / PPM and writes the same format back.
#
#   bash bench/img/run.sh            # builds a release borvane-img first
#   RUNS=11 BORVANE_IMG=/path/to/borvane-img bash bench/img/run.sh
#
# Needs imagemagick, netpbm and libvips-tools. Not part of the test suite.
set -euo pipefail
REPO=$(cd "$(dirname "$0")/../.." && pwd)
RUNS=${RUNS:-7}
WORK=${WORK:-$(mktemp -d /tmp/borvane-bench-img.XXXXXX)}
mkdir -p "$WORK"
if [ -z "${BORVANE_IMG:-}" ]; then
  BUILD=${BUILD:-$REPO/build-bench-img}
  cmake -S "$REPO" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBORVANE_SANITIZE=OFF >/dev/null
  cmake --build "$BUILD" -j2 --target borvane-img >/dev/null
  BORVANE_IMG=$BUILD/bin/borvane-img
fi
for tool in convert vips; do
  command -v $tool >/dev/null || { echo "missing $tool" >&2; exit 1; }
done

# A page-like test picture: gradients with text-like detail, made once.
SRC=$WORK/page.ppm
if [ ! -f "$SRC" ]; then
  convert -size 2480x3508 gradient:white-steelblue \
    \( -size 2480x3508 pattern:checkerboard -blur 0x2 \) -compose multiply -composite \
    -depth 8 "$SRC"
fi
convert "$SRC" -type truecolor BMP3:"$WORK/a4_24.bmp"
convert "$SRC" -colorspace gray -type palette -colors 256 -compress none BMP3:"$WORK/a4_8.bmp"
convert "$SRC" -threshold 60% -type bilevel BMP3:"$WORK/a4_1.bmp"
convert "$WORK/a4_24.bmp" "$WORK/a4_24.ppm"
convert "$WORK/a4_8.bmp" -colorspace gray "$WORK/a4_8.pgm"
convert "$WORK/a4_1.bmp" "$WORK/a4_1.pbm"

# median wall time in seconds of RUNS runs of the command
median() {
  local times=()
  for _ in $(seq "$RUNS"); do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    t1=$(date +%s.%N)
    times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN {printf "%.6f", b - a}')")
  done
  printf '%s\n' "${times[@]}" | sort -g | awk '{a[NR]=$1} END {printf "%.4f", a[int((NR+1)/2)]}'
}

printf '%-8s %12s %12s %12s %10s\n' input borvane-img convert vips ratio
for bits in 1 8 24; do
  case $bits in 1) pnm=pbm ;; 8) pnm=pgm ;; 24) pnm=ppm ;; esac
  ours=$(median "$BORVANE_IMG" convert "$WORK/a4_$bits.bmp" "$WORK/out_b.bmp")
  im=$(median convert "$WORK/a4_$bits.bmp" BMP3:"$WORK/out_im.bmp")
  vips=$(median vips copy "$WORK/a4_$bits.$pnm" "$WORK/out_v.$pnm")
  ratio=$(awk -v o="$ours" -v i="$im" -v v="$vips" 'BEGIN {b = i < v ? i : v; printf "%.2f", b / o}')
  printf '%-8s %11ss %11ss %11ss %9.2fx\n' "${bits}-bit" "$ours" "$im" "$vips" "$ratio"
  cmp -s "$WORK/a4_$bits.bmp" "$WORK/out_b.bmp" && echo "         (borvane-img output identical to its input)"
done
echo "runs per figure: $RUNS; files in $WORK"
