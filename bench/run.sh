#!/usr/bin/env bash
# Benchmarks of yotsumado, one section each; prints the program's times side by
# side with a reference and their ratio. Not part of the tests: the numbers
# depend on the machine.
#
# Usage: bench/run.sh [SECTION...]   (default: every section)
#        bench/run.sh --list
# Environment: BENCH_BUILD_DIR (default build/bench), BENCH_RUNS (default 7),
# BENCH_PHOTOS (default BENCH_BUILD_DIR/photos: the generated photos and the
# quality references, made once and kept, so a re-run costs only the timing).
# The peers come from bench/setup.sh (libvips-tools), not the program's set-up.
#
# Each measurement is the best of BENCH_RUNS runs, program and reference taken
# in turn so that a busy moment hurts both alike. Both wall time and processor
# time (user + system) are shown: on a quiet machine they agree for these
# single-threaded loads; on a busy one wall time mostly measures the others'
# load, and the processor-time ratio is the one that tells.
#
# Sections: compose (a: yotsumado-compose in both --scale modes against the
# decoding floor, ImageMagick (-sample, and the jpeg:size hint) and vips, with
# the smooth mode's SSIM), jpeg_load (b, with and without a colour profile), startup
# (c: first painted frame vs a minimal Qt window, under the caller's display or
# a private Xvfb), memory (d: peak resident set, /usr/bin/time), relayout (e:
# divider release with four 24-MP pictures), formats (f: a 12-MP photo of each
# newer kind against its reference decoder, and smooth composes of HEICs and
# PNGs against vips), stall (g: the window's longest event-loop stall while a
# dropped picture loads), progressive (h: a large progressive photo, 4:2:0 and
# 4:2:2, decoded at 1/8 as the smooth mode and the save dialog's preview do,
# against djpeg -scale 1/8), compose_batch (i: the compose tool's start-up,
# four real photos and a 200-set --batch against the decoding floor and
# peers), bigger (j: the 960 x 720 and 1920 x 1440 composites of four 24-MP
# photos against djpeg at 1/4 and 1/2), webstyle (k: four progressive photos
# as sites serve them, smooth, against vips and ImageMagick). A summary table
# closes the run.
#
# Adding a section: write a function section_NAME that prints its own lines
# (report_header, report_row help), and add NAME to the sections array below.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BENCH_BUILD_DIR:-$root/build/bench}
runs=${BENCH_RUNS:-7}
work=$(mktemp -d "${TMPDIR:-/tmp}/yotsumado-bench.XXXXXX")
trap 'stop_display 2>/dev/null; rm -rf "$work"' EXIT

need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || { echo "bench: $tool is missing (bench/setup.sh installs it)" >&2; exit 1; }
  done
}

# Builds the given targets in release mode; configures once per run of this script.
configured=""
build_targets() {
  if [ -z "$configured" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DYOTSUMADO_BUILD_TESTS=OFF >/dev/null
    configured=yes
  fi
  cmake --build "$build" --target "$@" -j2 >/dev/null
}

# time_command CMD...: prints "wall cpu" in seconds for one run of CMD.
time_command() {
  local TIMEFORMAT='%R %U %S' line
  line=$({ time "$@" >/dev/null 2>&1; } 2>&1)
  awk '{ printf "%.6f %.6f\n", $1, $2 + $3 }' <<<"$line"
}

# min_of A B: the smaller number.
min_of() { awk -v a="$1" -v b="$2" 'BEGIN { print (a < b ? a : b) }'; }

report_header() {
  echo "== $1 (best of $runs) =="
  printf "  %-36s %-6s %10s %10s %8s\n" "" "" "program" "reference" "ratio"
}

# report_row LABEL KIND OURS REFERENCE [TARGET]: one line with ours/reference.
report_row() {
  awk -v label="$1" -v kind="$2" -v ours="$3" -v ref="$4" -v target="${5:-}" 'BEGIN {
    ratio = ours / ref
    verdict = ""
    if (target != "") verdict = sprintf("  target <= %.2fx: %s", target, ratio <= target ? "met" : "MISSED")
    printf "  %-36s %-6s %9.4fs %9.4fs %7.3fx%s\n", label, kind, ours, ref, ratio, verdict
  }'
}

# The closing table: one line per measurement, collected by the sections.
summary=$work/summary.tsv
# summary_add MEASUREMENT OURS PEER RATIO TARGET MET
summary_add() { printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$@" >>"$summary"; }

# report_ratio_pair NAME MEASUREMENT MAX OURS_WALL REF_WALL OURS_CPU REF_CPU:
# the wall and processor-time lines of a "ours / reference <= MAX" section,
# in the section's report and in the summary table.
report_ratio_pair() {
  local name=$1 measurement=$2 max=$3 r
  report_row "$name" "wall" "$4" "$5" "$max"
  report_row "$name" "cpu" "$6" "$7" "$max"
  r=$(ratio_of "$4" "$5")
  summary_add "$measurement, wall" "${4}s" "${5}s" "$r" "<= ${max}x" "$(verdict "$r" "$max")"
  r=$(ratio_of "$6" "$7")
  summary_add "$measurement, cpu" "${6}s" "${7}s" "$r" "<= ${max}x" "$(verdict "$r" "$max")"
}
# verdict RATIO LIMIT: "met" when RATIO <= LIMIT.
verdict() { awk -v r="$1" -v l="$2" 'BEGIN { print (r <= l ? "met" : "not met") }'; }
ratio_of() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
print_summary() {
  [ -s "$summary" ] || return 0
  echo
  echo "== summary =="
  awk -F '\t' 'BEGIN { printf "  %-44s %12s %12s %8s %-22s %s\n", "measurement", "ours", "peer", "ratio", "target", "result" }
    { printf "  %-44s %12s %12s %8s %-22s %s\n", $1, $2, $3, $4, $5, $6 }' "$summary"
}

# The real ImageMagick convert (a stand-in of the same name may come first on PATH).
imagemagick() {
  local c
  for c in "${BENCH_CONVERT:-}" /usr/bin/convert-im6.q16 /usr/bin/convert; do
    [ -n "$c" ] && [ -x "$c" ] && { echo "$c"; return; }
  done
  need convert
  command -v convert
}

# A display for the start-up section: the caller's, else a private Xvfb
# (started here and stopped when the script ends), else Qt's offscreen
# platform.
xvfb_pid=""
display_kind=""
ensure_display() {
  [ -n "$display_kind" ] && return 0
  if [ -n "${DISPLAY:-}" ]; then
    display_kind="X display $DISPLAY"
  elif command -v Xvfb >/dev/null 2>&1; then
    local fifo=$work/displayfd
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    xvfb_pid=$!
    local number
    read -r -t 20 number <"$fifo" || { echo "bench: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$number"
    display_kind="Xvfb $DISPLAY"
  else
    export QT_QPA_PLATFORM=offscreen
    display_kind="offscreen"
  fi
}
stop_display() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; xvfb_pid=""; }
# Four 6000 x 4000 (24-megapixel) photos as a camera gives them: smooth shapes
# under grain everywhere, about 10 MB each at quality 90 (a plasma fractal
# alone compresses to a third of that and flatters every decoder). Made once
# into $photos and kept.
photos=${BENCH_PHOTOS:-$build/photos}
realistic_photos() {
  local i list=""
  mkdir -p "$photos"
  for i in 1 2 3 4; do
    if [ ! -s "$photos/photo-$i.jpg" ]; then
      need convert cjpeg
      convert -seed "$i" -size 1500x1000 plasma:fractal -blur 0x2 -resize '6000x4000!' \
        -seed "$i" -attenuate 0.85 +noise Gaussian -depth 8 "$photos/photo-$i.ppm"
      cjpeg -quality 90 -outfile "$photos/photo-$i.jpg.part" "$photos/photo-$i.ppm"
      mv "$photos/photo-$i.jpg.part" "$photos/photo-$i.jpg"
      rm -f "$photos/photo-$i.ppm"
    fi
    list="$list $photos/photo-$i.jpg"
  done
  echo "${list# }"
}
photo_24mp() {
  local all
  read -r -a all <<<"$(realistic_photos)"
  echo "${all[0]}"
}
# The first photo with a wide-gamut colour profile embedded (losslessly).
profiled_photo() {
  local jpeg=$photos/photo-1-profiled.jpg
  if [ ! -s "$jpeg" ]; then
    need jpegtran
    build_targets bench_profile
    "$build/bench/bench_profile" "$photos/wide-gamut.icc"
    jpegtran -copy all -icc "$photos/wide-gamut.icc" -outfile "$jpeg" "$(photo_24mp)"
  fi
  echo "$jpeg"
}

# Loading a dropped 24-MP JPEG (LoadPicture: full size, floating-point IDCT,
# block smoothing) against libjpeg-turbo's own djpeg with the same DCT.
section_jpeg_load() {
  need djpeg
  build_targets bench_load bench_profile
  local jpeg line i wall cpu ours_wall=1e9 ours_cpu=1e9 ref_wall=1e9 ref_cpu=1e9
  jpeg=$(photo_24mp)
  for ((i = 0; i < runs; i++)); do
    line=$("$build/bench/bench_load" "$jpeg" 1)
    wall=$(sed -n 's/.*best_seconds=\([0-9.]*\).*/\1/p' <<<"$line")
    cpu=$(sed -n 's/.*best_cpu_seconds=\([0-9.]*\).*/\1/p' <<<"$line")
    ours_wall=$(min_of "$ours_wall" "$wall")
    ours_cpu=$(min_of "$ours_cpu" "$cpu")
    read -r wall cpu < <(time_command djpeg -dct float -outfile /dev/null "$jpeg")
    ref_wall=$(min_of "$ref_wall" "$wall")
    ref_cpu=$(min_of "$ref_cpu" "$cpu")
  done
  report_header "jpeg_load: 6000 x 4000 JPEG, LoadPicture vs djpeg -dct float"
  report_ratio_pair "load" "(b) load 24-MP JPEG vs djpeg" 1.10 "$ours_wall" "$ref_wall" "$ours_cpu" "$ref_cpu"

  # The same photo with a wide-gamut profile against itself without: the
  # window's path (decode, then convert the pixels the panel shows), and the
  # whole picture converted (LoadPicture).
  local profiled mode pw pc uw uc
  profiled=$(profiled_photo)
  for mode in --display ""; do
    pw=1e9 pc=1e9 uw=1e9 uc=1e9
    for ((i = 0; i < runs; i++)); do
      line=$("$build/bench/bench_load" "$profiled" 1 $mode)
      pw=$(min_of "$pw" "$(sed -n 's/.*best_seconds=\([0-9.]*\).*/\1/p' <<<"$line")")
      pc=$(min_of "$pc" "$(sed -n 's/.*best_cpu_seconds=\([0-9.]*\).*/\1/p' <<<"$line")")
      line=$("$build/bench/bench_load" "$jpeg" 1 $mode)
      uw=$(min_of "$uw" "$(sed -n 's/.*best_seconds=\([0-9.]*\).*/\1/p' <<<"$line")")
      uc=$(min_of "$uc" "$(sed -n 's/.*best_cpu_seconds=\([0-9.]*\).*/\1/p' <<<"$line")")
    done
    if [ -n "$mode" ]; then
      report_header "jpeg_load: the window's load of a profiled 24-MP photo vs the same photo without profile"
      report_ratio_pair "profiled, window" "(b) window load, profile vs none" 1.30 "$pw" "$uw" "$pc" "$uc"
    else
      report_header "jpeg_load: LoadPicture converting the whole profiled photo vs without profile"
      report_row "profiled, whole picture" "wall" "$pw" "$uw"
      report_row "profiled, whole picture" "cpu" "$pc" "$uc"
    fi
  done
}

# Four different 24-MP photos.
four_photos() { realistic_photos; }

# time_best VAR_WALL VAR_CPU CMD...: runs CMD once and lowers the two
# variables to its times where they are smaller.
time_best() {
  local -n best_wall=$1 best_cpu=$2
  shift 2
  local wall cpu
  read -r wall cpu < <(time_command "$@")
  best_wall=$(min_of "$best_wall" "$wall")
  best_cpu=$(min_of "$best_cpu" "$cpu")
}

# The decoding floor: the four files decoded at 1/8 scale (entropy decoding
# and the DC of each block only) by four djpeg runs spread over the cores.
decode_floor() {
  printf '%s\n' "$@" | xargs -P "$(nproc)" -I{} djpeg -scale 1/8 -outfile /dev/null {}
}
# The whole decode the nearest mode's byte-for-byte promise rests on: the four
# files at full size with the floating-point IDCT, spread over the cores.
# With 2 x 2 chroma sampling and fancy upsampling, every 16-row band around a
# sampled row, and the band before it for context, is inverse-transformed
# whole: a 180-row panel from 4000 rows samples one row in 22, so nearly every
# band is, and the nearest mode costs about this much.
full_decode() {
  printf '%s\n' "$@" | xargs -P "$(nproc)" -I{} djpeg -dct float -outfile /dev/null {}
}
# ImageMagick with the size hint: decoded at the library's reduced scale, then
# shrunk by $1 (-sample or -resize, its default filter).
imagemagick_hinted() {
  local how=$1 out=$2
  shift 2
  "$im" -define jpeg:size=480x360 \( "$1" "$how" '240x180!' \) \( "$2" "$how" '240x180!' \) +append \
    \( "$3" "$how" '240x180!' \) \( "$4" "$how" '240x180!' \) +append -append -quality 80 "$out"
}
# vips: vipsthumbnail shrinks the four (shrink-on-load, then its filter),
# arrayjoin lays them out 2 x 2 and writes the JPEG.
vips_compose() {
  local out=$1
  shift
  vipsthumbnail "$@" --size '240x180!' -o "$work/vips-%s.v" &&
    vips arrayjoin "$work/vips-photo-1.v $work/vips-photo-2.v $work/vips-photo-3.v $work/vips-photo-4.v" \
      "$out[Q=80]" --across 2
}

# (a) Four 24-MP photos into the 480 x 360 JPEG at the stored split (four
# 240 x 180 panels, no markers), in each --scale mode: yotsumado-compose
# against the decoding floor and the peers doing the same, all free to use
# every core; wall time is what the user waits. A table per mode, then the
# smooth mode's quality: the SSIM of each panel against the full photo shrunk
# with ImageMagick's Lanczos filter, beside vipsthumbnail's.
section_compose() {
  need djpeg vipsthumbnail vips
  im=$(imagemagick)
  build_targets yotsumado-compose bench_ssim
  local photos_list i
  read -r -a photos_list <<<"$(four_photos)"
  local tool=$build/src/tools/compose/yotsumado-compose
  local nw=1e9 nc=1e9 sw=1e9 sc=1e9 fw=1e9 fc=1e9 ims_w=1e9 ims_c=1e9 imh_w=1e9 imh_c=1e9 imr_w=1e9 imr_c=1e9
  local vw=1e9 vc=1e9 dw=1e9 dc=1e9
  for ((i = 0; i < runs; i++)); do
    time_best nw nc "$tool" --markers none -o "$work/nearest.jpg" "${photos_list[@]}"
    time_best sw sc "$tool" --scale smooth --markers none -o "$work/smooth.jpg" --raw "$work/smooth.ppm" "${photos_list[@]}"
    time_best fw fc decode_floor "${photos_list[@]}"
    time_best dw dc full_decode "${photos_list[@]}"
    time_best imh_w imh_c imagemagick_hinted -sample "$work/im-hint-sample.jpg" "${photos_list[@]}"
    time_best imr_w imr_c imagemagick_hinted -resize "$work/im-hint-resize.jpg" "${photos_list[@]}"
    time_best vw vc vips_compose "$work/vips.jpg" "${photos_list[@]}"
    # The plain -sample peer decodes everything at full size: a few runs do.
    if ((i < 3)); then
      time_best ims_w ims_c "$im" \( "${photos_list[0]}" -sample '240x180!' \) \( "${photos_list[1]}" -sample '240x180!' \) +append \
        \( "${photos_list[2]}" -sample '240x180!' \) \( "${photos_list[3]}" -sample '240x180!' \) +append -append -quality 80 "$work/peer.jpg"
    fi
  done
  local f
  for f in nearest.jpg smooth.jpg im-hint-sample.jpg im-hint-resize.jpg vips.jpg peer.jpg; do
    [ -s "$work/$f" ] || { echo "bench: compose produced no $f" >&2; exit 1; }
  done

  echo "== compose, --scale nearest: four 6000 x 4000 photos into 480 x 360 (best of $runs; -sample best of 3) =="
  compose_table "$nw" "$nc" "yotsumado-compose" \
    "$fw" "$fc" "floor: 4 x djpeg -scale 1/8 on $(nproc) cores" \
    "$dw" "$dc" "full decode: 4 x djpeg -dct float" \
    "$ims_w" "$ims_c" "ImageMagick -sample" \
    "$imh_w" "$imh_c" "ImageMagick jpeg:size=480x360 -sample"
  report_ratio_pair "nearest vs floor" "(a) nearest mode vs decoding floor" 1.20 "$nw" "$fw" "$nc" "$fc"
  local speed
  speed=$(ratio_of "$ims_w" "$nw")
  summary_add "(a) nearest vs ImageMagick -sample, wall" "${nw}s" "${ims_w}s" "${speed}x faster" ">= 3x faster" \
    "$(awk -v s="$speed" 'BEGIN { print (s >= 3 ? "met" : "not met") }')"

  echo "== compose, --scale smooth: four 6000 x 4000 photos into 480 x 360 (best of $runs) =="
  compose_table "$sw" "$sc" "yotsumado-compose --scale smooth" \
    "$fw" "$fc" "floor: 4 x djpeg -scale 1/8 on $(nproc) cores" \
    "$vw" "$vc" "vipsthumbnail + vips arrayjoin" \
    "$imr_w" "$imr_c" "ImageMagick jpeg:size=480x360 -resize"
  report_ratio_pair "smooth vs floor" "(a) smooth mode vs decoding floor" 1.20 "$sw" "$fw" "$sc" "$fc"
  local faster
  faster=$(min_of "$vw" "$imr_w")
  speed=$(ratio_of "$faster" "$sw")
  summary_add "(a) smooth vs faster of vips, IM size hint, wall" "${sw}s" "${faster}s" "${speed}x faster" ">= 1.6x faster" \
    "$(awk -v s="$speed" 'BEGIN { print (s >= 1.6 ? "met" : "not met") }')"

  # Quality of the smooth mode, panel by panel.
  echo "== compose, --scale smooth: SSIM of each 240 x 180 panel against the photo shrunk whole with Lanczos =="
  printf "  %-8s %10s %10s %s\n" "panel" "ours" "vips" "result"
  local p x y ref ours theirs met
  for p in 1 2 3 4; do
    ref=$photos/photo-$p-lanczos-240x180.ppm
    [ -s "$ref" ] || "$im" "${photos_list[p - 1]}" -filter Lanczos -resize '240x180!' "$ref"
    x=$(((p - 1) % 2 * 240)) y=$(((p - 1) / 2 * 180))
    ours=$("$build/bench/bench_ssim" "$ref" "$work/smooth.ppm" "$x" "$y" | sed 's/ssim=//')
    vips copy "$work/vips-photo-$p.v" "$work/vips-$p.ppm"
    theirs=$("$build/bench/bench_ssim" "$ref" "$work/vips-$p.ppm" | sed 's/ssim=//')
    met=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { print (a >= b ? "met" : "not met") }')
    printf "  %-8s %10s %10s %s\n" "$p" "$ours" "$theirs" "$met"
    summary_add "(a) smooth SSIM panel $p vs vips" "$ours" "$theirs" "-" ">= vips" "$met"
  done
}

# compose_table OURS_WALL OURS_CPU LABEL [WALL CPU LABEL]...: one mode's table,
# each peer's times and how much faster ours is in wall time.
compose_table() {
  local ow=$1 oc=$2 label=$3
  shift 3
  printf "  %-44s %9s %9s %14s\n" "" "wall" "cpu" "ours faster"
  printf "  %-44s %8.3fs %8.3fs %14s\n" "$label" "$ow" "$oc" "-"
  while [ $# -ge 3 ]; do
    awk -v w="$1" -v c="$2" -v l="$3" -v o="$ow" 'BEGIN { printf "  %-44s %8.3fs %8.3fs %13.2fx\n", l, w, c, w / o }'
    shift 3
  done
}

# (c) Start-up to the first painted frame: the program (bench_startup: what
# main.cpp does, ending at the window's first paint) against a minimal Qt
# Widgets program showing one empty window of the same size.
section_startup() {
  build_targets bench_startup bench_minimal
  ensure_display
  local i wall cpu ours_wall=1e9 ours_cpu=1e9 ref_wall=1e9 ref_cpu=1e9
  # One untimed run each, so that both start with the libraries and fonts cached.
  "$build/bench/bench_startup" >/dev/null 2>&1 || { echo "bench: bench_startup failed" >&2; exit 1; }
  "$build/bench/bench_minimal" >/dev/null 2>&1 || { echo "bench: bench_minimal failed" >&2; exit 1; }
  for ((i = 0; i < runs * 3; i++)); do
    read -r wall cpu < <(time_command "$build/bench/bench_startup")
    ours_wall=$(min_of "$ours_wall" "$wall")
    ours_cpu=$(min_of "$ours_cpu" "$cpu")
    read -r wall cpu < <(time_command "$build/bench/bench_minimal")
    ref_wall=$(min_of "$ref_wall" "$wall")
    ref_cpu=$(min_of "$ref_cpu" "$cpu")
  done
  report_header "startup: to the first painted frame on $display_kind, program vs minimal Qt window"
  report_ratio_pair "startup" "(c) start-up to first paint" 1.30 "$ours_wall" "$ref_wall" "$ours_cpu" "$ref_cpu"
}

# (d) Peak memory (maximum resident set) with four 24-MP pictures dropped into
# the window and painted, against the pictures' own 24-bit pixels: the budget
# is 1.1 x those pixels + 60 MB.
section_memory() {
  [ -x /usr/bin/time ] || { echo "bench: /usr/bin/time is missing (package time)" >&2; exit 1; }
  build_targets bench_memory
  local photos kb best=1e12 i
  read -r -a photos <<<"$(four_photos)"
  for ((i = 0; i < 3; i++)); do
    kb=$(QT_QPA_PLATFORM=offscreen /usr/bin/time -f '%M' "$build/bench/bench_memory" "${photos[@]}" 2>&1 >/dev/null | tail -1)
    best=$(min_of "$best" "$kb")
  done
  local mb pixels=288 limit met
  mb=$(awk -v kb="$best" 'BEGIN { printf "%.1f", kb * 1024 / 1e6 }')
  limit=$(awk -v p="$pixels" 'BEGIN { printf "%.1f", 1.1 * p + 60 }')
  met=$(awk -v m="$mb" -v l="$limit" 'BEGIN { print (m <= l ? "met" : "not met") }')
  echo "== memory: four 6000 x 4000 pictures in the window (best of 3) =="
  echo "  peak resident ${mb} MB; their pixels ${pixels} MB; budget ${limit} MB: ${met}"
  summary_add "(d) peak memory, four 24-MP pictures loaded" "${mb} MB" "${pixels} MB pixels" \
    "$(ratio_of "$mb" "$pixels")" "<= ${limit} MB" "$met"
}

# (e) Re-laying out four loaded 24-MP pictures after a divider release,
# repaint included (every panel changes size each time).
section_relayout() {
  build_targets bench_relayout
  local photos line median max
  read -r -a photos <<<"$(four_photos)"
  line=$(QT_QPA_PLATFORM=offscreen "$build/bench/bench_relayout" "${photos[@]}" 60 2>/dev/null)
  median=$(sed -n 's/.*median_seconds=\([0-9.]*\).*/\1/p' <<<"$line")
  max=$(sed -n 's/.*max_seconds=\([0-9.]*\).*/\1/p' <<<"$line")
  local median_ms max_ms
  median_ms=$(awk -v m="$median" 'BEGIN { printf "%.2f", m * 1000 }')
  max_ms=$(awk -v m="$max" 'BEGIN { printf "%.2f", m * 1000 }')
  echo "== relayout: divider release with four 6000 x 4000 pictures, 60 runs =="
  echo "  median ${median_ms} ms, slowest ${max_ms} ms; target < 16 ms"
  summary_add "(e) re-layout + repaint after release, median" "${median_ms} ms" "-" "-" "< 16 ms" \
    "$(awk -v m="$median_ms" 'BEGIN { print (m < 16 ? "met" : "not met") }')"
  summary_add "(e) re-layout + repaint after release, slowest" "${max_ms} ms" "-" "-" "< 16 ms" \
    "$(awk -v m="$max_ms" 'BEGIN { print (m < 16 ? "met" : "not met") }')"
}

# Four real photographs from Debian's mate-backgrounds at 12 megapixels
# (4000 x 3000; the originals are 2560 x 1600, enlarged with Lanczos, which
# keeps their detail photographic), saved in the newer kinds by each kind's
# own encoder at its usual settings: PNG (ImageMagick), WebP (cwebp -q 80),
# HEIC (heif-enc -q 50), AVIF (avifenc, 8 bits), TIFF (LZW), JPEG XL (cjxl
# -d 1), GIF (ImageMagick, 256 colours). Made once into $photos and kept.
format_photo() {
  local n=$1 kind=$2 base out
  base=$photos/format-$n
  out=$base.$kind
  mkdir -p "$photos"
  if [ ! -s "$out" ]; then
    need convert cwebp heif-enc avifenc cjxl
    if [ ! -s "$base.ppm" ]; then
      local source
      source=$(find /usr/share/backgrounds/mate/nature -name '*.jpg' | sort | sed -n "${n}p")
      [ -n "$source" ] || { echo "bench: mate-backgrounds is missing (bench/setup.sh installs it)" >&2; exit 1; }
      convert "$source" -filter Lanczos -resize '4000x3000!' -depth 8 "$base.ppm"
    fi
    case $kind in
      png) convert "$base.ppm" "$out.part.png" && mv "$out.part.png" "$out" ;;
      webp) cwebp -quiet -q 80 "$base.ppm" -o "$out" 2>/dev/null || { convert "$base.ppm" "$base.png" && cwebp -quiet -q 80 "$base.png" -o "$out"; } ;;
      heic) convert "$base.ppm" "$base.src.png" && heif-enc -q 50 "$base.src.png" -o "$out" >/dev/null ;;
      avif) convert "$base.ppm" "$base.src.png" && avifenc -j 2 -d 8 "$base.src.png" "$out" >/dev/null ;;
      tiff) convert "$base.ppm" -compress LZW "$out" ;;
      jxl) convert "$base.ppm" "$base.src.png" && cjxl -d 1 "$base.src.png" "$out" 2>/dev/null ;;
      gif) convert "$base.ppm" -colors 256 "$out" ;;
    esac
    [ -s "$out" ] || { echo "bench: could not make $out" >&2; exit 1; }
  fi
  echo "$out"
}

# reference_decode KIND FILE: the format's reference decoder from Debian, or
# its library read the plainest way (bench_refdecode) where Debian has no
# tool that decodes without writing a file of another format.
reference_decode() {
  case $1 in
    png) "$build/bench/bench_refdecode" png "$2" ;;
    webp) dwebp -quiet "$2" -ppm -o /dev/null ;;
    heic | avif) "$build/bench/bench_refdecode" heif "$2" 2 ;;
    tiff) "$build/bench/bench_refdecode" tiff "$2" ;;
    jxl) djxl "$2" "$work/reference.ppm" --num_threads=2 --quiet ;;  # 0.7 always writes a file
    gif) "$build/bench/bench_refdecode" gif "$2" ;;
  esac
}

# (f) A dropped 12-MP photo of each newer kind, as the window loads it
# (LoadPictureForDisplay and the panel's pixels), against its reference
# decoder: dwebp, djxl, and for PNG (libspng), TIFF (libtiff), GIF (giflib)
# and HEIC/AVIF (libheif, both cores) the library's own plain read. Then the
# compose tool's smooth mode on four HEICs and four PNGs against vips.
section_formats() {
  need dwebp djxl vipsthumbnail vips
  build_targets bench_load bench_refdecode yotsumado-compose bench_ssim
  local kind file i line wall cpu
  echo "== formats: window load of a 4000 x 3000 photo vs its reference decoder (best of $runs) =="
  printf "  %-36s %-6s %10s %10s %8s\n" "" "" "program" "reference" "ratio"
  for kind in png webp heic avif tiff jxl gif; do
    file=$(format_photo 1 "$kind")
    local ow=1e9 oc=1e9 rw=1e9 rc=1e9
    for ((i = 0; i < runs; i++)); do
      line=$("$build/bench/bench_load" "$file" 1 --display)
      wall=$(sed -n 's/.*best_seconds=\([0-9.]*\).*/\1/p' <<<"$line")
      cpu=$(sed -n 's/.*best_cpu_seconds=\([0-9.]*\).*/\1/p' <<<"$line")
      [ -n "$wall" ] || { echo "bench: $file did not load: $line" >&2; exit 1; }
      ow=$(min_of "$ow" "$wall")
      oc=$(min_of "$oc" "$cpu")
      time_best rw rc reference_decode "$kind" "$file"
    done
    report_ratio_pair "$kind load" "(f) load 12-MP $kind vs its reference" 1.10 "$ow" "$rw" "$oc" "$rc"
  done

  local tool=$build/src/tools/compose/yotsumado-compose set p
  for kind in heic png; do
    local files=()
    for p in 1 2 3 4; do
      files+=("$(format_photo "$p" "$kind")")
      # vips names its output after the input's base name.
      ln -sf "${files[p - 1]}" "$work/photo-$p.$kind"
      files[p - 1]=$work/photo-$p.$kind
    done
    local sw=1e9 sc=1e9 vw=1e9 vc=1e9
    for ((i = 0; i < runs; i++)); do
      time_best sw sc "$tool" --scale smooth --markers none -o "$work/smooth-$kind.jpg" --raw "$work/smooth-$kind.ppm" "${files[@]}"
      time_best vw vc vips_compose "$work/vips-$kind.jpg" "${files[@]}"
    done
    echo "== formats: compose --scale smooth, four 4000 x 3000 $kind photos into 480 x 360 (best of $runs) =="
    compose_table "$sw" "$sc" "yotsumado-compose --scale smooth" "$vw" "$vc" "vipsthumbnail + vips arrayjoin"
    local speed
    speed=$(ratio_of "$vw" "$sw")
    summary_add "(f) smooth compose of four $kind vs vips, wall" "${sw}s" "${vw}s" "${speed}x faster" ">= 1.3x faster" \
      "$(awk -v s="$speed" 'BEGIN { print (s >= 1.3 ? "met" : "not met") }')"
    local ref x y ours theirs met
    for p in 1 2 3 4; do
      ref=$photos/format-$p-lanczos-240x180.ppm
      [ -s "$ref" ] || convert "$photos/format-$p.ppm" -filter Lanczos -resize '240x180!' "$ref"
      x=$(((p - 1) % 2 * 240)) y=$(((p - 1) / 2 * 180))
      ours=$("$build/bench/bench_ssim" "$ref" "$work/smooth-$kind.ppm" "$x" "$y" | sed 's/ssim=//')
      vips copy "$work/vips-photo-$p.v" "$work/vips-$p.ppm"
      theirs=$("$build/bench/bench_ssim" "$ref" "$work/vips-$p.ppm" | sed 's/ssim=//')
      met=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { print (a >= b ? "met" : "not met") }')
      summary_add "(f) smooth $kind SSIM panel $p vs vips" "$ours" "$theirs" "-" ">= vips" "$met"
    done
  done
}

# (g) The window while a dropped picture loads: the longest the event loop
# goes without answering (a 1 ms timer beside the drop), from the drop until
# the panel has painted it, for a 24-MP photo and for mate-backgrounds' 16 MB
# progressive 18-MP photo; the load itself beside it.
section_stall() {
  build_targets bench_stall
  local file line stall load label
  for file in "$(photo_24mp)" /usr/share/backgrounds/mate/abstract/Elephants_5640x3172.jpg; do
    [ -s "$file" ] || { echo "bench: $file is missing (bench/setup.sh installs mate-backgrounds)" >&2; exit 1; }
    line=$(QT_QPA_PLATFORM=offscreen "$build/bench/bench_stall" "$file" "$runs" 2>/dev/null)
    stall=$(sed -n 's/.*max_stall_seconds=\([0-9.]*\).*/\1/p' <<<"$line")
    load=$(sed -n 's/.*load_seconds=\([0-9.]*\).*/\1/p' <<<"$line")
    label=$(basename "$file")
    stall=$(awk -v s="$stall" 'BEGIN { printf "%.2f", s * 1000 }')
    load=$(awk -v s="$load" 'BEGIN { printf "%.1f", s * 1000 }')
    echo "== stall: dropping $label: longest event-loop stall ${stall} ms (load ${load} ms); target < 16 ms =="
    summary_add "(g) longest stall while $label loads" "${stall} ms" "load ${load} ms" "-" "< 16 ms" \
      "$(awk -v m="$stall" 'BEGIN { print (m < 16 ? "met" : "not met") }')"
  done
}

# A 5000 x 3600 progressive photo with the given cjpeg options: a MATE
# background stretched to size, with a camera's grain (stretched alone it
# compresses to a tenth of a photo's bytes); about 10 MB at 4:2:0. Made once
# into $photos and kept.
progressive_photo() {
  local name=$1 jpeg=$photos/progressive-$1.jpg source
  shift
  if [ ! -s "$jpeg" ]; then
    need convert cjpeg
    source=/usr/share/backgrounds/mate/nature/Wood.jpg
    [ -s "$source" ] || { echo "bench: $source is missing (bench/setup.sh installs mate-backgrounds)" >&2; exit 1; }
    mkdir -p "$photos"
    convert "$source" -resize '5000x3600!' -seed 1 -attenuate 1.2 +noise Gaussian -depth 8 "$photos/progressive.ppm"
    cjpeg -progressive -quality 92 "$@" -outfile "$jpeg.part" "$photos/progressive.ppm"
    mv "$jpeg.part" "$jpeg"
    rm -f "$photos/progressive.ppm"
  fi
  echo "$jpeg"
}

# Progressive photos decoded at 1/8 (DecodeJpegReduced, which leaves unread
# the scans its inverse DCT needs nothing of) against djpeg -scale 1/8, which
# decodes every scan: the two made here, and the 16 MB progressive 4:2:2 photo
# of 5640 x 3172 that mate-backgrounds ships.
section_progressive() {
  need djpeg
  build_targets bench_load
  local kind jpeg line i ow oc rw rc passed speed size
  for kind in 4:2:0 4:2:2 shipped; do
    case $kind in
      4:2:0) jpeg=$(progressive_photo 420) size="5000 x 3600" ;;
      4:2:2) jpeg=$(progressive_photo 422 -sample 2x1) size="5000 x 3600" ;;
      shipped)
        jpeg=/usr/share/backgrounds/mate/abstract/Elephants_5640x3172.jpg size="5640 x 3172 4:2:2"
        [ -s "$jpeg" ] || { echo "bench: $jpeg is missing (bench/setup.sh installs mate-backgrounds)" >&2; exit 1; } ;;
    esac
    ow=1e9 oc=1e9 rw=1e9 rc=1e9
    for ((i = 0; i < runs; i++)); do
      line=$("$build/bench/bench_load" "$jpeg" 1 --reduced)
      ow=$(min_of "$ow" "$(sed -n 's/.*best_seconds=\([0-9.]*\).*/\1/p' <<<"$line")")
      oc=$(min_of "$oc" "$(sed -n 's/.*best_cpu_seconds=\([0-9.]*\).*/\1/p' <<<"$line")")
      passed=$(sed -n 's/.*passed_over=\([0-9]*\).*/\1/p' <<<"$line")
      time_best rw rc djpeg -scale 1/8 -outfile /dev/null "$jpeg"
    done
    report_header "progressive: $size progressive $kind photo ($(($(stat -c %s "$jpeg") / 1048576)) MB) at 1/8, ours vs djpeg -scale 1/8"
    report_row "$kind, $((passed / 1048576)) MB of scans unread" "wall" "$ow" "$rw"
    report_row "$kind" "cpu" "$oc" "$rc"
    speed=$(ratio_of "$rw" "$ow")
    summary_add "(h) 1/8 decode, progressive $kind, wall" "${ow}s" "${rw}s" "${speed}x faster" ">= 3x faster" \
      "$(awk -v s="$speed" 'BEGIN { print (s >= 3 ? "met" : "not met") }')"
    speed=$(ratio_of "$rc" "$oc")
    summary_add "(h) 1/8 decode, progressive $kind, cpu" "${oc}s" "${rc}s" "${speed}x faster" ">= 3x faster" \
      "$(awk -v s="$speed" 'BEGIN { print (s >= 3 ? "met" : "not met") }')"
  done
}

# Real photographs of 2.5 to 5 megapixels as Debian's mate-backgrounds ships
# them (2560 x 1600 and 2560 x 1920, 0.2 to 0.9 MB each).
mate_photos() {
  local dir=${BENCH_MATE_PHOTOS:-/usr/share/backgrounds/mate/nature} f list=""
  for f in LadyBird TwoWings Wood Garden YellowFlower Aqua; do
    [ -s "$dir/$f.jpg" ] || { echo "bench: $dir/$f.jpg is missing (bench/setup.sh installs mate-backgrounds)" >&2; exit 1; }
    list="$list $dir/$f.jpg"
  done
  echo "${list# }"
}
# One set by a vips script: vipsthumbnail shrinks the four into a folder of
# their own, arrayjoin lays them out 2 x 2 and writes the JPEG ($5).
vips_set() {
  local d
  d=$(mktemp -d "$work/vips-set.XXXXXX")
  vipsthumbnail "$1" "$2" "$3" "$4" --size '240x180!' -o "$d/%s.v" &&
    vips arrayjoin "$d/$(basename "$1" .jpg).v $d/$(basename "$2" .jpg).v $d/$(basename "$3" .jpg).v $d/$(basename "$4" .jpg).v" \
      "$5[Q=80]" --across 2
  rm -rf "$d"
}
# One set by ImageMagick with the size hint and -sample ($5: the output).
imagemagick_set() { imagemagick_hinted -sample "$5" "$1" "$2" "$3" "$4"; }

# (i) yotsumado-compose's own costs beside the work: start-up on four tiny
# pictures against ImageMagick's convert joining two; four real photos
# against the decoding floor; 200 sets of four real photos in one --batch
# run against the floor for the same 800 files, against xargs -P over single
# runs, and against the faster of a vips and an ImageMagick script run by
# xargs -P. No markers (the fonts are a cost of their own, shown beside).
section_compose_batch() {
  need djpeg vipsthumbnail vips
  im=$(imagemagick)
  build_targets yotsumado-compose
  local tool=$build/src/tools/compose/yotsumado-compose cores i
  cores=$(nproc)
  local tiny=() real=()
  for i in 1 2 3 4; do
    "$im" -size 64x48 "plasma:" -quality 90 "$work/tiny-$i.jpg"
    tiny+=("$work/tiny-$i.jpg")
  done
  read -r -a real <<<"$(mate_photos)"
  local sw=1e9 sc=1e9 mw=1e9 mc=1e9 cw=1e9 cc=1e9
  for ((i = 0; i < runs * 3; i++)); do
    time_best sw sc "$tool" --markers none -o "$work/tiny.jpg" "${tiny[@]}"
    time_best mw mc "$tool" -o "$work/tiny-markers.jpg" "${tiny[@]}"
    time_best cw cc "$im" "${tiny[0]}" "${tiny[1]}" +append -quality 80 "$work/tiny-convert.jpg"
  done
  report_header "compose_batch: start-up, four 64 x 48 pictures vs convert joining two"
  report_ratio_pair "start-up, no markers" "(i) start-up on tiny pictures vs convert" 2.00 "$sw" "$cw" "$sc" "$cc"
  report_row "start-up, with markers" "wall" "$mw" "$cw"
  report_row "start-up, with markers" "cpu" "$mc" "$cc"

  local four=("${real[@]:0:4}") nw=1e9 nc=1e9 ow=1e9 oc=1e9 fw=1e9 fc=1e9
  for ((i = 0; i < runs; i++)); do
    time_best nw nc "$tool" --markers none -o "$work/real.jpg" "${four[@]}"
    time_best ow oc "$tool" --markers none --scale smooth -o "$work/real-smooth.jpg" "${four[@]}"
    time_best fw fc decode_floor "${four[@]}"
  done
  report_header "compose_batch: four 2560 x 1600..1920 photos vs 4 x djpeg -scale 1/8 on $cores cores"
  report_ratio_pair "four photos, nearest" "(i) four real photos vs floor" 1.20 "$nw" "$fw" "$nc" "$fc"
  report_row "four photos, smooth" "wall" "$ow" "$fw"
  report_row "four photos, smooth" "cpu" "$oc" "$fc"

  # 200 sets, each of four different photos, each with its own output.
  local sets=200 s list=$work/batch.txt args=$work/batch-args.txt files=$work/batch-files.txt
  local peers=$work/batch-peers.txt smooth=$work/batch-smooth.txt args_smooth=$work/batch-args-smooth.txt
  local batch=$work/batch p
  mkdir -p "$batch"
  : >"$list" && : >"$args" && : >"$files" && : >"$peers" && : >"$smooth" && : >"$args_smooth"
  for ((s = 0; s < sets; s++)); do
    p=()
    for i in 0 1 2 3; do p+=("${real[(s + i) % ${#real[@]}]}"); done
    echo "${p[*]} $batch/set-$s.jpg" >>"$list"
    echo "-o $batch/single-$s.jpg ${p[*]}" >>"$args"
    echo "-o $batch/single-smooth-$s.jpg ${p[*]}" >>"$args_smooth"
    echo "${p[*]} $batch/peer-$s.jpg" >>"$peers"
    echo "${p[*]} $batch/smooth-$s.jpg" >>"$smooth"
    printf '%s\n' "${p[@]}" >>"$files"
  done
  export -f vips_set imagemagick_set imagemagick_hinted
  export work im
  local bw=1e9 bc=1e9 bsw=1e9 bsc=1e9 xw=1e9 xc=1e9 xsw=1e9 xsc=1e9 floor_w=1e9 floor_c=1e9 vw=1e9 vc=1e9 iw=1e9 ic=1e9
  local batch_runs=${BENCH_BATCH_RUNS:-3}
  for ((i = 0; i < batch_runs; i++)); do
    time_best bw bc "$tool" --markers none --batch "$list"
    time_best bsw bsc "$tool" --markers none --scale smooth --batch "$smooth"
    time_best floor_w floor_c xargs -P "$cores" -I{} djpeg -scale 1/8 -outfile /dev/null {} <"$files"
    time_best xw xc xargs -P "$cores" -L 1 "$tool" --markers none <"$args"
    time_best xsw xsc xargs -P "$cores" -L 1 "$tool" --markers none --scale smooth <"$args_smooth"
    time_best vw vc xargs -P "$cores" -L 1 bash -c 'vips_set "$@"' vips_set <"$peers"
    time_best iw ic xargs -P "$cores" -L 1 bash -c 'imagemagick_set "$@"' imagemagick_set <"$peers"
  done
  for ((s = 0; s < sets; s += 53)); do
    cmp -s "$batch/set-$s.jpg" "$batch/single-$s.jpg" && cmp -s "$batch/smooth-$s.jpg" "$batch/single-smooth-$s.jpg" ||
      { echo "bench: set $s of the batch differs from its single run" >&2; exit 1; }
  done
  echo "== compose_batch: $sets sets of four real photos (best of $batch_runs) =="
  compose_table "$bw" "$bc" "yotsumado-compose --batch" \
    "$bsw" "$bsc" "yotsumado-compose --batch --scale smooth" \
    "$floor_w" "$floor_c" "floor: $((sets * 4)) x djpeg -scale 1/8, $cores at once" \
    "$xw" "$xc" "xargs -P $cores, one yotsumado-compose a set" \
    "$xsw" "$xsc" "xargs -P $cores, one yotsumado-compose --scale smooth a set" \
    "$vw" "$vc" "xargs -P $cores, vips script a set" \
    "$iw" "$ic" "xargs -P $cores, ImageMagick script a set"
  report_ratio_pair "batch vs floor" "(i) batch of $sets sets vs floor" 1.10 "$bw" "$floor_w" "$bc" "$floor_c"
  report_ratio_pair "batch, smooth vs floor" "(i) smooth batch of $sets sets vs floor" 1.10 "$bsw" "$floor_w" "$bsc" "$floor_c"
  # The nearest mode decodes every row its stretch reads at full size (the
  # window's very pixels); the peers and the smooth mode decode reduced.
  local speed faster
  speed=$(ratio_of "$xw" "$bw")
  summary_add "(i) batch vs xargs -P over single runs, wall" "${bw}s" "${xw}s" "${speed}x faster" ">= 1.5x faster" \
    "$(awk -v s="$speed" 'BEGIN { print (s >= 1.5 ? "met" : "not met") }')"
  speed=$(ratio_of "$xsw" "$bsw")
  summary_add "(i) smooth batch vs xargs -P over single runs, wall" "${bsw}s" "${xsw}s" "${speed}x faster" \
    ">= 1.5x faster" "$(awk -v s="$speed" 'BEGIN { print (s >= 1.5 ? "met" : "not met") }')"
  faster=$(min_of "$vw" "$iw")
  speed=$(ratio_of "$faster" "$bsw")
  summary_add "(i) smooth batch vs faster of vips, IM scripts, wall" "${bsw}s" "${faster}s" "${speed}x faster" \
    ">= 1.5x faster" "$(awk -v s="$speed" 'BEGIN { print (s >= 1.5 ? "met" : "not met") }')"
}

# The floor of a larger composite: the four files decoded at the scale $1 by
# four djpeg runs spread over the cores.
scaled_floor() {
  local scale=$1
  shift
  printf '%s\n' "$@" | xargs -P "$(nproc)" -I{} djpeg -scale "$scale" -outfile /dev/null {}
}
# (j) Four 24-MP photos into the 960 x 720 and the 1920 x 1440 composite (no
# markers; larger sizes are always smooth) against four djpeg runs at 1/4
# and at 1/2 over the cores. The tool decodes at the smallest DCT scale that
# still covers its panels (1/8 for 480 x 360 panels, 1/4 for 960 x 720 ones
# of these photos), then filters: within 1.2 times the floor is the goal.
section_bigger() {
  need djpeg
  build_targets yotsumado-compose
  local tool=$build/src/tools/compose/yotsumado-compose photos_list i
  read -r -a photos_list <<<"$(four_photos)"
  local tw=1e9 tc=1e9 fw=1e9 fc=1e9 qw=1e9 qc=1e9 gw=1e9 gc=1e9
  for ((i = 0; i < runs; i++)); do
    time_best tw tc "$tool" --size 2x --markers none -o "$work/bigger-2x.jpg" "${photos_list[@]}"
    time_best fw fc scaled_floor 1/4 "${photos_list[@]}"
    time_best qw qc "$tool" --size 4x --markers none -o "$work/bigger-4x.jpg" "${photos_list[@]}"
    time_best gw gc scaled_floor 1/2 "${photos_list[@]}"
  done
  report_header "bigger: four 24-MP photos, larger composites vs 4 x djpeg on $(nproc) cores"
  report_ratio_pair "960 x 720 vs djpeg -scale 1/4" "(j) 960 x 720 composite vs floor" 1.20 "$tw" "$fw" "$tc" "$fc"
  report_ratio_pair "1920 x 1440 vs djpeg -scale 1/2" "(j) 1920 x 1440 composite vs floor" 1.20 "$qw" "$gw" "$qc" "$gc"
}

# (k) A web-style set: four photos as sites serve them, progressive with
# optimised Huffman tables (what mozjpeg writes by default), made from the
# mate-backgrounds photos by jpegtran (lossless: the same pixels), composed in
# the smooth mode against the fastest vips and ImageMagick scripts for the
# same job: each decodes reduced (shrink-on-load, the jpeg:size hint), filters
# down to 240 x 180 and writes the 2 x 2 JPEG. No markers.
web_photos() {
  local list="" f name mate
  read -r -a mate <<<"$(mate_photos)"
  mkdir -p "$photos/web"
  for f in "${mate[@]:0:4}"; do
    name=$photos/web/$(basename "$f")
    if [ ! -s "$name" ]; then
      jpegtran -progressive -optimize -copy none -outfile "$name.part" "$f"
      mv "$name.part" "$name"
    fi
    list="$list $name"
  done
  echo "${list# }"
}
# ImageMagick's quickest smooth compose: each photo decoded at the smallest
# scale still covering its panel (the hint), then -resize (its filter).
imagemagick_web() {
  local out=$1
  shift
  "$im" -define jpeg:size=240x180 \( "$1" -resize '240x180!' \) \( "$2" -resize '240x180!' \) +append \
    \( "$3" -resize '240x180!' \) \( "$4" -resize '240x180!' \) +append -append -quality 80 "$out"
}
section_webstyle() {
  need jpegtran vipsthumbnail vips
  im=$(imagemagick)
  build_targets yotsumado-compose
  local tool=$build/src/tools/compose/yotsumado-compose web i
  read -r -a web <<<"$(web_photos)"
  local ow=1e9 oc=1e9 vw=1e9 vc=1e9 iw=1e9 ic=1e9
  for ((i = 0; i < runs; i++)); do
    time_best ow oc "$tool" --markers none --scale smooth -o "$work/web.jpg" "${web[@]}"
    time_best vw vc vips_set "${web[@]}" "$work/web-vips.jpg"
    time_best iw ic imagemagick_web "$work/web-im.jpg" "${web[@]}"
  done
  echo "== webstyle: four progressive 2560 x 1600..1920 photos, smooth, into 480 x 360 (best of $runs) =="
  compose_table "$ow" "$oc" "yotsumado-compose --scale smooth" \
    "$vw" "$vc" "vipsthumbnail + vips arrayjoin" \
    "$iw" "$ic" "ImageMagick, jpeg:size hint, -resize"
  local peer speed name pw pc
  for peer in "vips:$vw:$vc" "ImageMagick:$iw:$ic"; do
    IFS=: read -r name pw pc <<<"$peer"
    speed=$(ratio_of "$pw" "$ow")
    summary_add "(k) web-style smooth vs $name, wall" "${ow}s" "${pw}s" "${speed}x faster" ">= 2x faster" \
      "$(awk -v s="$speed" 'BEGIN { print (s >= 2 ? "met" : "not met") }')"
    speed=$(ratio_of "$pc" "$oc")
    summary_add "(k) web-style smooth vs $name, cpu" "${oc}s" "${pc}s" "${speed}x faster" ">= 2x faster" \
      "$(awk -v s="$speed" 'BEGIN { print (s >= 2 ? "met" : "not met") }')"
  done
}

sections=(compose jpeg_load startup memory relayout formats stall progressive compose_batch bigger webstyle)

if [ "${1:-}" = "--list" ]; then
  printf '%s\n' "${sections[@]}"
  exit 0
fi
selected=("$@")
[ ${#selected[@]} -eq 0 ] && selected=("${sections[@]}")
for s in "${selected[@]}"; do
  declare -F "section_$s" >/dev/null || { echo "bench: no section $s (try --list)" >&2; exit 2; }
  "section_$s"
done
print_summary
