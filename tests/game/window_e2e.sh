#!/usr/bin/env bash
# The real program on a virtual X screen: marvosk starts, its window appears with the game's
# title (its stored caption, which begins "Marvosk - ")
# with a 640x480 client area, centred, and the program ends cleanly when the window is closed.
#   window_e2e.sh MARVOSK CLOSE_WINDOW
set -euo pipefail
marvosk=${1:?usage: window_e2e.sh MARVOSK CLOSE_WINDOW}
close_window=${2:?usage: window_e2e.sh MARVOSK CLOSE_WINDOW}
for tool in xvfb-run xdotool xwininfo; do
  command -v "$tool" >/dev/null || { echo "window_e2e: $tool is missing (scripts/install-deps)"; exit 1; }
done

export MARVOSK_BIN=$marvosk CLOSE_WINDOW=$close_window
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -u
  fail() { echo "window_e2e: $*"; kill "$pid" 2>/dev/null; exit 1; }
  "$MARVOSK_BIN" > /tmp/marvosk-e2e.$$.log 2>&1 & pid=$!
  win=""
  for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --name "^Marvosk - " 2>/dev/null | head -1) || true
    [ -n "$win" ] && break
    kill -0 "$pid" 2>/dev/null || fail "marvosk ended before showing a window"
    sleep 0.1
  done
  [ -n "$win" ] || fail "no window titled Marvosk - ... appeared"
  info=$(xwininfo -id "$win")
  width=$(awk "/Width:/ {print \$2}" <<<"$info")
  height=$(awk "/Height:/ {print \$2}" <<<"$info")
  x=$(awk "/Absolute upper-left X:/ {print \$4}" <<<"$info")
  y=$(awk "/Absolute upper-left Y:/ {print \$4}" <<<"$info")
  title=$(xdotool getwindowname "$win")
  echo "window $win: \"$title\" ${width}x${height} at $x,$y"
  [[ "$title" == "Marvosk - "* ]] || fail "title is \"$title\""
  [ "$width" = 640 ] && [ "$height" = 480 ] || fail "client area is ${width}x${height}"
  [ "$x" = 320 ] && [ "$y" = 272 ] || fail "window is not centred on the 1280x1024 screen"
  "$CLOSE_WINDOW" "$win" || fail "could not ask the window to close"
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "marvosk still runs 5 s after its window was closed"
  wait "$pid"; status=$?
  output=$(cat /tmp/marvosk-e2e.$$.log); rm -f /tmp/marvosk-e2e.$$.log
  [ -z "$output" ] || echo "marvosk said: $output"
  [ "$status" = 0 ] || fail "marvosk exited with status $status"
  echo "marvosk ended cleanly"
'
