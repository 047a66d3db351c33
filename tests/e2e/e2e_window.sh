#!/usr/bin/env bash
# End to end: the built program in Xvfb, driven with xdotool and read with
# xprop/xwininfo. Usage: e2e_window.sh PROGRAM XCLOSE OUTDIR
set -u
program=$1; xclose=$2; out=$3
mkdir -p "$out"
fail() { echo "FAIL: $*"; cleanup; exit 1; }
for tool in Xvfb xdotool xprop xwininfo; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done

cleanup() { [ -n "${app:-}" ] && kill "$app" 2>/dev/null; [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null; wait 2>/dev/null; }
source "$(dirname "$0")/xvfb.sh"
start_xvfb "$out" || fail "Xvfb did not start"
export QT_QPA_PLATFORM=xcb
# A home and XDG folders of its own, no session bus: the machine's desktop
# settings neither help nor break the test.
rm -rf "$out/home" && mkdir -p -m 700 "$out/home/run" && unset DBUS_SESSION_BUS_ADDRESS XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME
export HOME=$out/home XDG_RUNTIME_DIR=$out/home/run XDG_CONFIG_DIRS=$out/home XDG_DATA_DIRS=$out/home

# On a loaded machine a display that answered can refuse a client for a
# moment (another run's server shutting down on the same number): only such a
# refused connection is worth another start.
wid=""
for attempt in 1 2 3; do
  "$program" >"$out/program.log" 2>&1 &
  app=$!
  for _ in $(seq 300); do
    wid=$(xdotool search --onlyvisible --pid "$app" --name 'ヨツマド' 2>/dev/null | head -1)
    [ -n "$wid" ] && break
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$wid" ] && break
  grep -q 'could not connect to display' "$out/program.log" || break
  wait "$app" 2>/dev/null; sleep 1
done
[ -n "$wid" ] || { tail -5 "$out/program.log"; fail "no window appeared"; }
sleep 0.5

geom=$(xwininfo -id "$wid")
x=$(awk '/Absolute upper-left X/{print $4}' <<<"$geom")
y=$(awk '/Absolute upper-left Y/{print $4}' <<<"$geom")
w=$(awk '/Width:/{print $2}' <<<"$geom")
h=$(awk '/Height:/{print $2}' <<<"$geom")
[ "$x,$y" = "20,20" ] || fail "client area at $x,$y, expected 20,20"
[ "$w x $h" = "480 x 360" ] || fail "client area $w x $h, expected 480 x 360"
props=$(xprop -id "$wid")
grep -q '_NET_WM_WINDOW_TYPE_UTILITY' <<<"$props" || fail "not a tool (utility) window"
grep -q '_NET_WM_STATE_ABOVE' <<<"$props" || fail "does not stay on top"
grep -q 'program specified minimum size: 480 by 360' <<<"$props" || fail "minimum size not fixed"
grep -q 'program specified maximum size: 480 by 360' <<<"$props" || fail "maximum size not fixed"
grep -q 'WM_NAME(UTF8_STRING) = "ヨツマド - (右クリックでポップアップメニュー)"' <<<"$props" || fail "caption"
grep -q '^_NET_WM_ICON(CARDINAL)' <<<"$props" || fail "no window icon"

import -window root "$out/window.png" 2>/dev/null

# Dragging the vertical divider moves it and re-lays the panels at release.
xdotool mousemove $((20 + 239)) $((20 + 100)) mousedown 1 mousemove $((20 + 180)) $((20 + 100)) \
  mousemove $((20 + 120)) $((20 + 100)) mouseup 1
sleep 0.3
import -window root "$out/dragged.png" 2>/dev/null
pixel() { convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- 2>/dev/null | tail -1 | grep -o '#[0-9A-F]\{6\}'; }
# The upper-right panel now starts at x = 121: pale pink where white was.
[ "$(pixel "$out/dragged.png" $((20 + 125)) $((20 + 60)))" = "#FFE1FF" ] || fail "panels did not follow the divider"
[ "$(pixel "$out/window.png" $((20 + 125)) $((20 + 60)))" = "#FFFFFF" ] || fail "first shown window is not as stored"

# While a divider is held the pointer cannot leave the window's area.
xdotool mousemove $((20 + 121)) $((20 + 300)) mousedown 1 mousemove 900 700
sleep 0.3
xdotool mousemove 950 720
sleep 0.3
eval "$(xdotool getmouselocation --shell)"
echo "held pointer at $X,$Y"; xdotool mouseup 1
sleep 0.2
[ "$X" -le $((20 + 480 + 4)) ] && [ "$Y" -le $((20 + 360 + 4)) ] || fail "pointer left the window while a divider was held ($X, $Y)"
xdotool mousemove 900 700
sleep 0.2
eval "$(xdotool getmouselocation --shell)"
[ "$X" -eq 900 ] && [ "$Y" -eq 700 ] || fail "pointer still confined after the release ($X, $Y)"

cleanup
echo "PASS: window end to end"
