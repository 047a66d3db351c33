#!/usr/bin/env bash
# End to end on Wayland: the built program as a native Wayland client of
# Debian's weston. Weston's headless back end has no input devices, so weston
# runs on its X11 back end inside Xvfb (itself headless) and xdotool moves the
# pointer over weston's output, which weston hands to the program through the
# Wayland seat. The program itself sees no X display at all.
# Then under GNOME's compositor, mutter (headless, with XWayland), as on a
# Wayland desktop that also offers X: the window goes through XWayland and
# stays above a window opened after it.
# Usage: e2e_wayland.sh PROGRAM OUTDIR
set -u

# Inside mutter's session (mutter starts this script again with --in-mutter
# PROGRAM DIR, DISPLAY and WAYLAND_DISPLAY set); failures go to DIR/failures.
if [ "${1:-}" = --in-mutter ]; then
  program=$2; m=$3
  # A Wayland session that is not GNOME's own: Qt alone would pick Wayland.
  XDG_SESSION_TYPE=wayland "$program" >"$m/program.log" 2>&1 &
  app=$!
  xmessage -name later "opened later" &
  for _ in $(seq 100); do
    main=$(xdotool search --onlyvisible --pid "$app" --name 'ヨツマド' 2>/dev/null | head -1)
    later=$(xdotool search --onlyvisible --classname later 2>/dev/null | head -1)
    [ -n "$main" ] && [ -n "$later" ] && break
    sleep 0.3
  done
  xdotool windowactivate "$later" 2>/dev/null; sleep 1
  # Place in the stacking order, bottom to top.
  at() { xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/, /\n/g' | grep -n -x "$(printf 0x%x "$1")" | cut -d: -f1; }
  if [ -z "$main" ]; then
    echo "no X window of the program: it did not go through XWayland" >>"$m/failures"
  elif ! [ "$(at "$main")" -gt "$(at "$later")" ] 2>/dev/null; then
    echo "a window opened later covers it: $(xprop -id "$main" _NET_WM_STATE)" >>"$m/failures"
  fi
  kill "$app" %2 2>/dev/null
  touch "$m/done"
  exit 0
fi
program=$1; out=$2
mkdir -p "$out"
fail() { echo "FAIL: $*"; cleanup; exit 1; }
for tool in Xvfb weston xdotool xwininfo convert wl-paste; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done
qtplugins=$(dirname "$(ldd "$program" | awk '/libQt6Gui/{print $3}')")/qt6/plugins/platforms
ls "$qtplugins"/libqwayland-*.so >/dev/null 2>&1 || { echo "SKIP: Qt's Wayland platform (qt6-wayland) missing"; exit 77; }

runtime=$(mktemp -d)   # weston's socket and the clients' runtime folder (mode 0700)
cleanup() {
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null
  [ -n "${weston:-}" ] && kill "$weston" 2>/dev/null
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$runtime"
}

source "$(dirname "$0")/../e2e/xvfb.sh"
start_xvfb "$out" || fail "Xvfb did not start"

# The kiosk shell shows the one window centred on the 800 x 600 output.
XDG_RUNTIME_DIR=$runtime weston --backend=x11-backend.so --shell=kiosk-shell.so --socket=wl-e2e \
  --width=800 --height=600 --idle-time=0 >"$out/weston.log" 2>&1 &
weston=$!
for _ in $(seq 300); do [ -S "$runtime/wl-e2e" ] && break; sleep 0.1; done
[ -S "$runtime/wl-e2e" ] || fail "weston did not open its socket (see $out/weston.log)"
wgeom=$(xwininfo -name "Weston Compositor - screen0" 2>/dev/null) || fail "no weston output window"
ox=$(( $(awk '/Absolute upper-left X/{print $4}' <<<"$wgeom") + (800 - 480) / 2 ))
oy=$(( $(awk '/Absolute upper-left Y/{print $4}' <<<"$wgeom") + (600 - 360) / 2 ))

# A picture named on the command line lands in panel 4.
convert -size 40x30 xc:'#00c000' "BMP3:$out/green.bmp" || fail "convert"

# As on a Wayland desktop: a Wayland display and no X display; the program
# has to choose Qt's Wayland platform itself.
env -u DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=wl-e2e \
  "$program" - - - "$out/green.bmp" >"$out/program.log" 2>&1 &
app=$!

pixel() { convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- 2>/dev/null | tail -1 | grep -o '#[0-9A-F]\{6\}'; }
shown=""
for _ in $(seq 100); do
  import -window root "$out/window.png" 2>/dev/null
  if [ "$(pixel "$out/window.png" $((ox + 120)) $((oy + 100)))" = "#FFFFFF" ]; then shown=yes; break; fi
  kill -0 "$app" 2>/dev/null || fail "program ended: $(cat "$out/program.log")"
  sleep 0.2
done
[ -n "$shown" ] || fail "no window appeared on weston's output"
[ "$(pixel "$out/window.png" $((ox + 360)) $((oy + 60)))" = "#FFE1FF" ] || fail "panel 2 is not as stored"
[ "$(pixel "$out/window.png" $((ox + 360)) $((oy + 300)))" = "#00C000" ] || fail "the picture named on the command line is not in panel 4"
[ "$(pixel "$out/window.png" $((ox + 125)) $((oy + 60)))" = "#FFFFFF" ] || fail "first shown window is not as stored"

# Dragging the vertical divider moves it and re-lays the panels at release.
xdotool mousemove $((ox + 239)) $((oy + 100)); sleep 0.3
xdotool mousedown 1; sleep 0.2
xdotool mousemove $((ox + 180)) $((oy + 100)); sleep 0.2
xdotool mousemove $((ox + 120)) $((oy + 100)); sleep 0.2
xdotool mouseup 1; sleep 0.2
relaid=""
for _ in $(seq 30); do
  import -window root "$out/dragged.png" 2>/dev/null
  # The upper-right panel now starts at x = 121: pale pink where white was.
  [ "$(pixel "$out/dragged.png" $((ox + 125)) $((oy + 60)))" = "#FFE1FF" ] && { relaid=yes; break; }
  sleep 0.2
done
[ -n "$relaid" ] || fail "panels did not follow the divider"
[ "$(pixel "$out/dragged.png" $((ox + 360)) $((oy + 300)))" = "#00C000" ] || fail "panel 4 lost its picture"
kill -0 "$app" 2>/dev/null || fail "program ended during the drag"

# Copy through the compositor: another client reads the window's picture back,
# offered as PNG first (Qt alone would offer a bitmap first).
wl() { XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=wl-e2e timeout 10 "$@"; }
xdotool mousemove $((ox + 300)) $((oy + 60)) click 1 key ctrl+c sleep 0.5
[ "$(wl wl-paste --list-types | head -2 | xargs)" = "image/png image/jpeg" ] || fail "copy: the clipboard offers $(wl wl-paste --list-types | xargs)"
wl wl-paste -t image/png >"$out/copied.png"
[ "$(pixel "$out/copied.png" 360 300)" = "#00C000" ] || fail "copy: no PNG of the window read back"

cleanup
app=""; weston=""; xvfb=""

# ---- GNOME's mutter with XWayland ----------------------------------------------
# mutter wants /tmp/.X11-unix writable by all; it gets a private one in a mount
# namespace of its own, so its X display clashes with no other. Its session
# bus and XDG folders are private too: nothing of the machine's desktop takes
# part.
if ! command -v mutter >/dev/null || ! command -v Xwayland >/dev/null; then
  echo "NOTE: mutter or Xwayland missing: the XWayland part is skipped"
elif ! unshare --mount --propagation private true 2>/dev/null; then
  echo "NOTE: no mount namespace to be had here: the XWayland part is skipped"
else
  m=$out/mutter
  rm -rf "$m"
  mkdir -p "$m/run" "$m/config" "$m/data" "$m/cache"
  chmod 700 "$m/run"
  printf '<busconfig><type>session</type><listen>unix:dir=%s</listen><auth>EXTERNAL</auth><policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy></busconfig>' "$m" >"$m/bus.conf"
  dbus-daemon --config-file="$m/bus.conf" --print-address=3 --nofork 3>"$m/bus" 2>/dev/null &
  bus=$!
  for _ in $(seq 50); do [ -s "$m/bus" ] && break; sleep 0.1; done
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_CURRENT_DESKTOP -u XDG_SESSION_DESKTOP \
    XDG_RUNTIME_DIR="$m/run" XDG_CONFIG_HOME="$m/config" XDG_DATA_HOME="$m/data" XDG_CACHE_HOME="$m/cache" \
    DBUS_SESSION_BUS_ADDRESS="$(head -1 "$m/bus")" GSETTINGS_BACKEND=memory \
    timeout 150 unshare --mount --propagation private sh -c 'mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix && exec "$@"' \
    sh mutter --headless --wayland --virtual-monitor 800x600 --wayland-display=wl-e2e -- "$0" --in-mutter "$program" "$m" \
    >"$m/mutter.log" 2>&1
  kill "$bus" 2>/dev/null
  wait "$bus" 2>/dev/null
  [ -e "$m/done" ] || { echo "FAIL: mutter: the checks did not run (see $m/mutter.log)"; exit 1; }
  [ -s "$m/failures" ] && { echo "FAIL: under mutter: $(cat "$m/failures")"; exit 1; }
fi
echo "PASS: Wayland end to end"
