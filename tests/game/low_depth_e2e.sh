#!/usr/bin/env bash
# The real program on a virtual X screen of 8 bits per pixel, where no renderer can draw in a
# window: it must say so once, in words, and end with a failure instead of running unseen.
#   low_depth_e2e.sh MARVOSK
set -euo pipefail
marvosk=${1:?usage: low_depth_e2e.sh MARVOSK}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
SDL_AUDIODRIVER=dummy timeout 20 xvfb-run -a -n 175 -s "-screen 0 640x480x8" "$marvosk" \
  > "$log" 2>&1 || status=$?
said=$(grep -v '^ALSA' "$log" || true)
echo "marvosk exited with $status and said:"
echo "$said"
[ "$status" != 0 ] || { echo "low_depth_e2e: marvosk ran on a display it cannot draw on"; exit 1; }
[ "$status" != 124 ] || { echo "low_depth_e2e: marvosk did not end by itself"; exit 1; }
[ "$(grep -c 'cannot draw' <<<"$said")" = 1 ] ||
  { echo "low_depth_e2e: the reason is not said exactly once"; exit 1; }
grep -q 'bits per pixel' <<<"$said" || { echo "low_depth_e2e: no word on what display works"; exit 1; }
