#!/usr/bin/env bash
# A real window on a virtual X screen without a window manager: while it shows, F1 is typed at
# the desktop (so it goes to whichever window has the keyboard focus) and the program must see
# it and its frame timer must tick.
#   ticking_e2e.sh TICKING_ON_DESKTOP
set -euo pipefail
program=${1:?usage: ticking_e2e.sh TICKING_ON_DESKTOP}
command -v xdotool >/dev/null || { echo "ticking_e2e: xdotool is missing (scripts/install-deps)"; exit 1; }

export PROGRAM=$program
# Display numbers start apart from the other desktop test's, so that the two never race for
# one display when they start together.
run() {
  xvfb-run -a -n 140 -s "-screen 0 1024x768x24" bash -c '
  "$PROGRAM" & pid=$!
  # The focus may follow the window'"'"'s appearing by a moment: type until the program is done.
  while kill -0 "$pid" 2>/dev/null; do
    xdotool search --onlyvisible --name "^Frame timer$" >/dev/null 2>&1 && xdotool key F1
    sleep 0.2
  done
  wait "$pid"
'
}

# A virtual X server that comes up late now and then (seen under heavy load) gets one more try;
# the program's own failures fail the same way twice.
if ! first=$(run 2>&1); then
  echo "$first" | grep -v '^ALSA' | sed 's/^/first try: /'
  run
else
  echo "$first" | grep -v '^ALSA'
fi
