#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan, Qt 6) and runs each one
# for the given number of seconds, all at once, then prints the executions
# each has run.
#
# Usage: fuzz/run.sh [seconds]      (default 600)
#   FUZZ_TARGETS="fuzz_bmp"          run only some targets (fuzz_bmp fuzz_jpeg fuzz_profile fuzz_webp
#                                    fuzz_jxl)
#   YOTSUMADO_TESTDATA=/path         the folder of test pictures the seeds come from (required)
#
# Seeds come from the shared test pictures, the colour profiles Debian ships
# and the bomb files of tests/bombs (small files declaring huge pictures,
# hostile profiles), gathered at run time into
# build-fuzz/seeds/; what the fuzzer learns is kept in build-fuzz/corpus/,
# and inputs that crash, hang or run out of memory land in
# build-fuzz/artifacts/<target>/. A run with a finding exits non-zero.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
seconds=${1:-600}
targets=(${FUZZ_TARGETS:-fuzz_bmp fuzz_jpeg fuzz_profile fuzz_webp fuzz_jxl})
build=build-fuzz
testdata=${YOTSUMADO_TESTDATA:-}

# Fuzz-only tools and seeds, not needed by the normal build.
packages=(clang libclang-rt-14-dev icc-profiles-free colord-data)
ensure_packages "${packages[@]}"

CC=clang CXX=clang++ cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
nice cmake --build "$build" --target "${targets[@]}" makebombs -j2

# Seed folders, made afresh from the shared pictures.
[ -n "$testdata" ] && [ -d "$testdata" ] || { echo "no test pictures at '$testdata' (set YOTSUMADO_TESTDATA)" >&2; exit 2; }
rm -rf "$build/seeds"
mkdir -p "$build/seeds/fuzz_bmp" "$build/seeds/fuzz_jpeg" "$build/seeds/fuzz_profile"
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
