#!/usr/bin/env bash
# Benchmarks of yotsumado, one section each; prints the program's times side by
# side with a reference and their ratio. Not part of the tests: the numbers
# depend on the machine.
#
# Usage: bench/run.sh [SECTION...]   (default: every section)
#        bench/run.sh --list
# Environment: BENCH_BUILD_DIR (default build/bench), BENCH_RUNS (default 7).
#
# Each measurement is the best of BENCH_RUNS runs, program and reference taken
# in turn so that a busy moment hurts both alike. Both wall time and processor
# time (user + system) are shown: on a quiet machine they agree for these
# single-threaded loads; on a busy one wall time mostly measures the others'
# load, and the processor-time ratio is the one that tells.
#
# Sections: compose (a: yotsumado-compose vs ImageMagick), jpeg_load (b), startup
# (c: first painted frame vs a minimal Qt window, under the caller's display or
# a private Xvfb), memory (d: peak resident set, /usr/bin/time), relayout (e:
# divider release with four 24-MP pictures). A summary table closes the run.
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
    command -v "$tool" >/dev/null 2>&1 || { echo "bench: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
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
# A 6000 x 4000 (24-megapixel) JPEG with detail everywhere (a plasma fractal
# enlarged, with grain), made once per run of this script.
photo_24mp() {
  local jpeg=$work/photo-24mp.jpg
  if [ ! -f "$jpeg" ]; then
    need convert cjpeg
    convert -seed 4 -size 1500x1000 plasma:fractal -resize '6000x4000!' \
      -seed 4 -attenuate 0.4 +noise Gaussian -depth 8 "$work/photo-24mp.ppm"
    cjpeg -quality 90 -outfile "$jpeg" "$work/photo-24mp.ppm"
    rm -f "$work/photo-24mp.ppm"
  fi
  echo "$jpeg"
}

# Loading a dropped 24-MP JPEG (LoadPicture: full size, floating-point IDCT,
# block smoothing) against libjpeg-turbo's own djpeg with the same DCT.
section_jpeg_load() {
  need djpeg
  build_targets bench_load
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
}

# Four different 24-MP JPEGs: the photo and three lossless turns of it.
four_photos() {
  local a=$work/photo-24mp.jpg
  photo_24mp >/dev/null
  need jpegtran
  if [ ! -f "$work/photo-b.jpg" ]; then
    jpegtran -flip horizontal -outfile "$work/photo-b.jpg" "$a"
    jpegtran -flip vertical -outfile "$work/photo-c.jpg" "$a"
    jpegtran -rotate 180 -outfile "$work/photo-d.jpg" "$a"
  fi
  echo "$a $work/photo-b.jpg $work/photo-c.jpg $work/photo-d.jpg"
}

# (a) Four 24-MP JPEGs into the 480 x 360 JPEG at the stored split (four
# 240 x 180 panels, no markers): yotsumado-compose against ImageMagick doing
# the same with -sample, +append/-append and quality 80. Both may use every
# core; wall time is what the user waits.
section_compose() {
  local im
  im=$(imagemagick)
  build_targets yotsumado-compose
  local photos i wall cpu ours_wall=1e9 ours_cpu=1e9 ref_wall=1e9 ref_cpu=1e9
  read -r -a photos <<<"$(four_photos)"
  local tool=$build/src/tools/compose/yotsumado-compose
  for ((i = 0; i < runs; i++)); do
    read -r wall cpu < <(time_command "$tool" --markers none -o "$work/ours.jpg" "${photos[@]}")
    ours_wall=$(min_of "$ours_wall" "$wall")
    ours_cpu=$(min_of "$ours_cpu" "$cpu")
    read -r wall cpu < <(time_command "$im" \( "${photos[0]}" -sample '240x180!' \) \( "${photos[1]}" -sample '240x180!' \) +append \
      \( "${photos[2]}" -sample '240x180!' \) \( "${photos[3]}" -sample '240x180!' \) +append -append -quality 80 "$work/peer.jpg")
    ref_wall=$(min_of "$ref_wall" "$wall")
    ref_cpu=$(min_of "$ref_cpu" "$cpu")
  done
  [ -s "$work/ours.jpg" ] && [ -s "$work/peer.jpg" ] || { echo "bench: compose produced no picture" >&2; exit 1; }
  report_header "compose: four 6000 x 4000 JPEGs into 480 x 360, yotsumado-compose vs ImageMagick"
  report_row "compose" "wall" "$ours_wall" "$ref_wall"
  report_row "compose" "cpu" "$ours_cpu" "$ref_cpu"
  local speed
  speed=$(ratio_of "$ref_wall" "$ours_wall")
  summary_add "(a) compose 4 x 24-MP vs ImageMagick, wall" "${ours_wall}s" "${ref_wall}s" "${speed}x faster" ">= 3x faster" \
    "$(awk -v s="$speed" 'BEGIN { print (s >= 3 ? "met" : "not met") }')"
  speed=$(ratio_of "$ref_cpu" "$ours_cpu")
  summary_add "(a) compose 4 x 24-MP vs ImageMagick, cpu" "${ours_cpu}s" "${ref_cpu}s" "${speed}x less" "(wall counts)" "-"
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

sections=(compose jpeg_load startup memory relayout)

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
