#!/usr/bin/env bash
# Files that declare huge pictures ("bombs", made by tests/bombs/makebombs):
# the time and peak resident memory of each, loaded alone, dropped four times
# into the window, composed four at once by yotsumado-compose, and shown in
# the save dialog's preview. Goals: each refused or shown in under 2 s with a
# peak under 1.2 GB; four at once under 2 GiB. Not a test: times depend on
# the machine (on a busy one, read the processor time, user + system).
#
# Usage: bench/bombs.sh            (BENCH_BUILD_DIR, default build/default)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BENCH_BUILD_DIR:-$root/build/default}
work=$(mktemp -d "${TMPDIR:-/tmp}/yotsumado-bombs.XXXXXX")
trap 'rm -rf "$work"' EXIT
command -v /usr/bin/time >/dev/null || { echo "bench: /usr/bin/time is missing (package time)" >&2; exit 1; }

[ -f "$build/build.ninja" ] || cmake --preset default >/dev/null
nice cmake --build "$build" --target makebombs test_budget_probe yotsumado-compose -j2 >/dev/null
probe=$build/tests/codec/test_budget_probe
compose=$build/src/tools/compose/yotsumado-compose
"$build/tests/bombs/makebombs" "$work" >/dev/null
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work

# measure LABEL COMMAND...: one line with wall time, processor time, peak and
# the command's first line of output.
measure() {
  local label=$1
  shift
  /usr/bin/time -o "$work/time" -f '%e %U %S %M' "$@" >"$work/out" 2>&1 || true
  read -r wall user sys peak < <(tail -1 "$work/time")
  local cpu verdict=""
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')
  printf '%-34s %7.2f s %7.2f s %8d MB   %s\n' "$label" "$wall" "$cpu" $((peak / 1024)) \
    "$(grep -v -e '^peak' -e '^QStandardPaths' "$work/out" | head -1 | cut -c1-60)"
}

printf '%-34s %9s %9s %11s   %s\n' "case" "wall" "cpu" "peak" "first result"
for f in cmyk-header.jpg cmyk-499-scans.jpg rle-16384.bmp grey-many-scans.jpg; do
  p=$work/$f
  measure "$f: load" "$probe" load "$p"
  measure "$f: window x4" "$probe" window "$p" "$p" "$p" "$p"
  measure "$f: compose x4" "$compose" --raw "$work/out.ppm" "$p" "$p" "$p" "$p"
  measure "$f: preview" "$probe" preview "$p"
done
