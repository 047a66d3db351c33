#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan, Qt 6) and runs each one
# for the given number of seconds, all at once, then prints the executions
# each has run.
#
# Usage: fuzz/run.sh [seconds]      (default 600)
#   FUZZ_TARGETS="fuzz_bmp"          run only some targets (fuzz_bmp fuzz_jpeg fuzz_profile
#                                    fuzz_png fuzz_gif fuzz_heic fuzz_avif fuzz_tiff fuzz_webp fuzz_jxl)
#   YOTSUMADO_TESTDATA=/path         the folder of test pictures the seeds come from (required)
#
# Seeds come from the shared test pictures, the colour profiles Debian ships,
# small PNG and GIF files ImageMagick makes in each of their variants,
# and the bomb files of tests/bombs (small files declaring huge pictures,
# hostile profiles), gathered at run time into
# build-fuzz/seeds/; what the fuzzer learns is kept in build-fuzz/corpus/,
# and inputs that crash, hang or run out of memory land in
# build-fuzz/artifacts/<target>/. A run with a finding exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
seconds=${1:-600}
targets=(${FUZZ_TARGETS:-fuzz_bmp fuzz_jpeg fuzz_profile fuzz_png fuzz_gif fuzz_heic fuzz_avif fuzz_tiff fuzz_webp fuzz_jxl})
build=build-fuzz
testdata=${YOTSUMADO_TESTDATA:-}

# Fuzz-only tools and seeds, not needed by the normal build.
packages=(clang libclang-rt-14-dev icc-profiles-free colord-data imagemagick mate-backgrounds)
ensure_packages "${packages[@]}"

CC=clang CXX=clang++ cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
nice cmake --build "$build" --target "${targets[@]}" makebombs -j2

# Seed folders, made afresh from the shared pictures.
[ -n "$testdata" ] && [ -d "$testdata" ] || { echo "no test pictures at '$testdata' (set YOTSUMADO_TESTDATA)" >&2; exit 2; }
rm -rf "$build/seeds"
mkdir -p "$build/seeds/fuzz_bmp" "$build/seeds/fuzz_jpeg" "$build/seeds/fuzz_profile" "$build/seeds/fuzz_heic" \
  "$build/seeds/fuzz_avif"
cp "$testdata"/bmpsuite/good/*.bmp "$testdata"/bmpsuite/questionable/*.bmp \
   "$testdata"/libjpeg-turbo/*.bmp "$build/seeds/fuzz_bmp/"
cp "$testdata"/libjpeg-turbo/*.jpg "$build/seeds/fuzz_jpeg/"
"$build/bombs/makebombs" "$build/seeds/bombs" >/dev/null
cp "$build/seeds/bombs"/*.bmp "$build/seeds/fuzz_bmp/"
# The grey bomb is left out: refused only once its scans have cost the bound
# on their work, it takes seconds under the sanitizers, and so would most of
# what the fuzzer makes of it.
cp "$build/seeds/bombs"/cmyk-*.jpg "$build/seeds/bombs"/app*-flood.jpg "$build/seeds/bombs"/no-eoi.jpg \
   "$build/seeds/fuzz_jpeg/"
cp "$build/seeds/bombs"/*.icc "$build/seeds/fuzz_profile/"
# PNG and GIF in each variant, from one small photo: bit depths, palette,
# grey, alpha, interlacing; an animation.
photo=$(ls /usr/share/backgrounds/mate/nature/*.jpg | head -1)
mkdir -p "$build/seeds/fuzz_png" "$build/seeds/fuzz_gif"
i=0
for recipe in "PNG24:" "-depth 16 PNG48:" "-alpha set -channel A -fx i/w +channel PNG32:" \
    "-alpha set -channel A -fx i/w +channel -depth 16 PNG64:" "-colors 16 PNG8:" "-interlace PNG PNG24:" \
    "-colorspace Gray -define png:bit-depth=1 -define png:color-type=0" \
    "-colorspace Gray -define png:bit-depth=4 -define png:color-type=0 -interlace PNG" \
    "-colorspace Gray -depth 16 -alpha set -define png:color-type=4"; do
  i=$((i + 1))
  set -- $recipe
  flavour=${@: -1}; [[ $flavour == *: ]] && set -- "${@:1:$#-1}" || flavour=""
  convert "$photo" -resize 40x30! "$@" "${flavour}$build/seeds/fuzz_png/made-$i.png"
done
convert "$photo" -resize 40x30! "$build/seeds/fuzz_gif/plain.gif"
convert "$photo" -resize 40x30! -interlace GIF -transparent white "$build/seeds/fuzz_gif/interlaced.gif"
convert "$photo" -resize 40x30! \( +clone -negate \) -loop 0 "$build/seeds/fuzz_gif/animated.gif"
# The complete 16384² picture is left out: seconds a run under the sanitizers.
cp "$build/seeds/bombs"/cut-*.png "$build/seeds/fuzz_png/"
cp "$build/seeds/bombs"/*.gif "$build/seeds/fuzz_gif/"
cp "$build/seeds/bombs"/heif-*.heic "$build/seeds/fuzz_heic/"
# HEIF and AVIF variants made by their encoders from one small picture: bit
# depths, chroma, alpha, turns, a grid, colour descriptions and a profile.
heif=$build/seeds/heif-src
mkdir -p "$heif"
convert "$testdata"/libjpeg-turbo/testorig.jpg -resize 128x128! -strip "$heif/p.png"
convert "$heif/p.png" -alpha set -channel A -fx 'i/w' "$heif/a.png"
heif-enc -q 50 "$heif/p.png" -o "$build/seeds/fuzz_heic/plain.heic" >/dev/null
heif-enc -q 50 "$heif/a.png" -o "$build/seeds/fuzz_heic/alpha.heic" >/dev/null
heif-enc -q 50 -p chroma=444 --matrix_coefficients=1 --full_range_flag=0 "$heif/p.png" \
  -o "$build/seeds/fuzz_heic/444-limited.heic" >/dev/null
n=0
for options in "-d 8 -y 420" "-d 10 -y 444" "-d 12 -y 420 --irot 1" "-d 8 --imir 1 --grid 2x2" "-d 10 --cicp 9/16/9" \
               "-d 10 --cicp 9/18/9" "-d 8 --cicp 12/13/1 -r l" "-d 8 -y 400" \
               "-d 8 --icc /usr/share/color/icc/colord/AdobeRGB1998.icc"; do
  avifenc -s 10 $options "$heif/p.png" "$build/seeds/fuzz_avif/$((n++)).avif" >/dev/null
done
avifenc -s 10 -p "$heif/a.png" "$build/seeds/fuzz_avif/alpha.avif" >/dev/null
# TIFF: the bombs, and ImageMagick's rose in each layout the decoder reads.
mkdir -p "$build/seeds/fuzz_tiff"
cp "$build/seeds/bombs"/tiff-*.tif "$build/seeds/fuzz_tiff/"
tiffs=("rgb:-compress None" "lzw:-compress LZW -define tiff:rows-per-strip=8" "zip:-compress Zip -define tiff:predictor=2"
  "packbits:-compress RLE" "jpeg:-compress JPEG" "rgb16:-depth 16" "planes:-interlace Plane -compress LZW"
  "tiles:-define tiff:tile-geometry=32x32 -compress Zip" "grey4:-type Grayscale -depth 4" "g4:-type Bilevel -compress Group4"
  "palette:-type Palette" "alpha:-alpha set -define tiff:alpha=associated" "cmyk:-colorspace CMYK" "orient:-orient RightTop")
for v in "${tiffs[@]}"; do
  convert rose: ${v#*:} "$build/seeds/fuzz_tiff/rose-${v%%:*}.tif"
done
tiffcp -c jpeg -r 16 "$build/seeds/fuzz_tiff/rose-rgb.tif" "$build/seeds/fuzz_tiff/rose-ycbcr.tif"
find /usr/share/color -name '*.ic[cm]' -size -4M | while read -r f; do
  cp "$f" "$build/seeds/fuzz_profile/${f//\//_}"
done

# WebP and JPEG XL seeds, made by their own encoders from a small test
# picture: lossy, lossless, alpha, an animation whose first frame leaves part
# of its canvas, EXIF (orientation 6) and ICCP chunks, a JPEG recompressed;
# and their bombs.
small=$build/seeds/small
webp=$build/seeds/fuzz_webp
jxl=$build/seeds/fuzz_jxl
mkdir -p "$webp" "$jxl"
convert "$testdata/libjpeg-turbo/testorig.ppm" -resize 64x48 "$small.png"
convert "$small.png" -alpha set -channel A -fx 'i/w' "$small-alpha.png"
convert -dispose none -page 64x48+8+6 -size 20x16 xc:red -page +0+0 "$small.png" -loop 0 "$small.gif"
printf 'II*\0\10\0\0\0\1\0\22\1\3\0\1\0\0\0\6\0\0\0\0\0\0\0' >"$small.exif"
cwebp -quiet -q 50 "$small.png" -o "$webp/lossy.webp"
cwebp -quiet -lossless "$small.png" -o "$webp/lossless.webp"
cwebp -quiet -q 50 "$small-alpha.png" -o "$webp/alpha.webp"
gif2webp -quiet "$small.gif" -o "$webp/animation.webp"
webpmux -set exif "$small.exif" "$webp/lossy.webp" -o "$webp/exif.webp" >/dev/null
webpmux -set icc "$(find /usr/share/color -name 'AdobeRGB1998.icc' | head -1)" "$webp/lossless.webp" -o "$webp/icc.webp" >/dev/null
cp "$build/seeds/bombs"/*.webp "$webp/"
cjxl -q 50 "$small.png" "$jxl/lossy.jxl" 2>/dev/null
cjxl -d 0 "$small.png" "$jxl/lossless.jxl" 2>/dev/null
cjxl -q 50 "$small-alpha.png" "$jxl/alpha.jxl" 2>/dev/null
cjxl "$testdata/libjpeg-turbo/testorig.jpg" "$jxl/recompressed.jxl" 2>/dev/null
cp "$build/seeds/bombs"/*.jxl "$jxl/"

# Leaks are findings too; UBSan reports stop the run with a stack.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
# libheif 1.15's dav1d plugin returns on a picture layout it does not know
# without giving dav1d's picture back: the library's leak, not ours.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/fuzz/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen

pids=()
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t" "$build/artifacts/$t"
  echo "=== $t: ${seconds}s, log in $build/$t.log"
  # The memory limit is the program's: its budget and the room beside it.
  # A profile is held to a few tens of MB and to well under a second: no
  # single block past 64 MB, and a few seconds under the sanitizers.
  limits=(-rss_limit_mb=2048 -timeout=${FUZZ_TIMEOUT:-5})
  [ "$t" = fuzz_profile ] && limits=(-rss_limit_mb=2048 -malloc_limit_mb=64 -timeout=3)
  nice "$build/$t" "$build/corpus/$t" "$build/seeds/$t" \
    -max_total_time="$seconds" "${limits[@]}" \
    -artifact_prefix="$build/artifacts/$t/" -print_final_stats=1 \
    >"$build/$t.log" 2>&1 &
  pids+=($!)
done

status=0
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  rc=0
  wait "${pids[$i]}" || rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/$t.log" | tail -1)
  took=$(sed -n 's/^stat::.*//; s/.*Done \([0-9]*\) runs in \([0-9]*\) second.*/\1 runs in \2 s/p' "$build/$t.log" | tail -1)
  if [ "$rc" -eq 0 ]; then
    echo "$t: ${runs:-?} executions (${took:-?}), no findings"
  else
    status=1
    echo "$t: ${runs:-?} executions, FINDING (exit $rc):"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error|artifact_prefix|Test unit written)' "$build/$t.log" | head -20
  fi
done
exit $status
