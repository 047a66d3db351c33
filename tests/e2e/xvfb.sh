# Sourced by the end-to-end scripts. start_xvfb DIR starts an Xvfb of the
# test's own and exports its DISPLAY; the server's pid is left in $xvfb.
#
# Xvfb picks a free display itself and names it (in DIR/display) once it
# accepts clients: a guessed number can be taken by another run, and a loaded
# machine can take more than a few seconds to start the server. A server of
# another run still shutting down on the number ours just took can answer (or
# refuse) for a moment, or remove the socket ours made: the display must
# answer a few times in a row, else it is started again.
start_xvfb() {
  local dir=$1 attempt
  for attempt in 1 2 3; do
    rm -f "$dir/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" >/dev/null 2>&1 &
    xvfb=$!
    if xvfb_answers "$dir"; then
      return 0
    fi
    echo "display ${DISPLAY:-?} does not answer (attempt $attempt)" >&2
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
    xvfb=""
  done
  return 1
}

xvfb_answers() {
  local dir=$1
  for _ in $(seq 300); do [ -s "$dir/display" ] && break; sleep 0.1; done
  [ -s "$dir/display" ] || return 1
  export DISPLAY=:$(head -1 "$dir/display")
  for _ in 1 2 3 4; do
    sleep 0.3
    xprop -root >/dev/null 2>&1 || return 1
  done
}
