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
# Adding a section: write a function section_NAME that prints its own lines
# (report_header, report_row help), and add NAME to the sections array below.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BENCH_BUILD_DIR:-$root/build/bench}
runs=${BENCH_RUNS:-7}
work=$(mktemp -d "${TMPDIR:-/tmp}/yotsumado-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

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
  report_row "load" "wall" "$ours_wall" "$ref_wall" 1.10
  report_row "load" "cpu" "$ours_cpu" "$ref_cpu" 1.10
}

sections=(jpeg_load)

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
