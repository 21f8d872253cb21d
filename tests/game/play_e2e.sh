#!/usr/bin/env bash
# The real program played as a person plays it, on a virtual X screen with SDL's disk audio
# driver recording what the game plays: F1 starts a round, a click fires (the shot's thump is
# heard in the recording, the score is seen to change on screen), Alt+Enter goes to full screen
# and back, another window takes the focus and gives it back, and after each the gun still
# fires. The program must then close cleanly.
#   play_e2e.sh MARVOSK CLOSE_WINDOW
set -euo pipefail
marvosk=${1:?usage: play_e2e.sh MARVOSK CLOSE_WINDOW}
close_window=${2:?usage: play_e2e.sh MARVOSK CLOSE_WINDOW}
for tool in xvfb-run xdotool xwininfo xmessage import convert; do
  command -v "$tool" >/dev/null || { echo "play_e2e: $tool is missing (scripts/install-deps)"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export MARVOSK_BIN=$marvosk CLOSE_WINDOW=$close_window WORK=$work
# Display numbers start apart from the other desktop tests', so that none race for one display.
exec xvfb-run -a -n 170 -s "-screen 0 1024x768x24" bash -c '
  set -u
  log=$WORK/marvosk.log sound=$WORK/sound.raw
  fail() { echo "play_e2e: $*"; echo "marvosk said:"; tail -5 "$log"; kill "$pid" 2>/dev/null; exit 1; }

  # The bytes recorded so far, and the loudest sample from byte offset $1 to the end.
  recorded() { stat -c %s "$sound" 2>/dev/null || echo 0; }
  loudest() {
    tail -c +$(($1 + 1)) "$sound" | od -An -v -t d2 -w2 |
      awk "{ v = \$1 < 0 ? -\$1 : \$1; if (v > m) m = v } END { print m + 0 }"
  }
  window() { xdotool search --onlyvisible --name "^Marvosk - " 2>/dev/null | head -1; }
  # The window'"'"'s position and size: sets wx, wy, ww, wh.
  geometry() {
    local info
    info=$(xwininfo -id "$1")
    wx=$(awk "/Absolute upper-left X:/ {print \$4}" <<<"$info")
    wy=$(awk "/Absolute upper-left Y:/ {print \$4}" <<<"$info")
    ww=$(awk "/Width:/ {print \$2}" <<<"$info")
    wh=$(awk "/Height:/ {print \$2}" <<<"$info")
  }
  # Waits until the window is shown with the given width (up to 5 s); sets win and its geometry.
  await_window() {
    for _ in $(seq 50); do
      win=$(window) || true
      if [ -n "$win" ]; then
        geometry "$win"
        [ "$ww" = "$1" ] && return 0
      fi
      kill -0 "$pid" 2>/dev/null || fail "marvosk ended"
      sleep 0.1
    done
    fail "no window $1 pixels wide (last seen: ${ww:-none})"
  }
  # Waits until the game has been quiet for a moment (up to 10 s), so that a thump stands out.
  await_quiet() {
    for _ in $(seq 50); do
      local from=$(recorded)
      sleep 0.2
      [ "$(loudest "$from")" -lt 500 ] && return 0
    done
    fail "the game never falls quiet"
  }
  # Clicks at (x, y) of the game'"'"'s 640x480 picture. With "heard", first lets the gun reload
  # and waits for a quiet moment, and checks that the shot is heard; with "seen" it clicks at
  # once, the gun reloaded and the aim just taken by the caller (once the boss walks, its looped
  # footsteps never leave a quiet moment).
  shoot() {
    local sx=$((wx + $1 * ww / 640)) sy=$((wy + $2 * wh / 480))
    [ "$4" = heard ] && sleep 1.2 && await_quiet
    [ "$4" = heard ] || { xdotool mousemove "$sx" "$sy" click 1; echo "shot at $1,$2 ($3)"; return 0; }
    xdotool mousemove "$sx" "$sy"
    sleep 0.1
    local from=$(recorded)
    xdotool click 1
    sleep 0.5
    local peak=$(loudest "$from")
    echo "shot at $1,$2 ($3): loudest sample after it $peak"
    [ "$peak" -ge 2000 ] || fail "no shot heard at $1,$2 ($3)"
  }
  # Where the score is written at the top left of the window: its pixels in the text'"'"'s navy,
  # one "x,y:" a line. Other digits put ink where there was none; a target passing over the
  # line hides some, never adds.
  score_ink() { import -window root -crop "200x30+${wx}+${wy}" -depth 8 txt:- | awk "/#000080/ { print \$1 }" | sort; }
  # Finds something moving in the picture below the score line: two looks a moment apart, and
  # the middle of the largest patch that differs. Sets tx, ty in the 640x480 picture.
  aim() {
    import -window root -crop "${ww}x${wh}+${wx}+${wy}" -resize 640x480! "$WORK/a.png"
    sleep 0.1
    import -window root -crop "${ww}x${wh}+${wx}+${wy}" -resize 640x480! "$WORK/b.png"
    read -r tx ty < <(convert "$WORK/a.png" "$WORK/b.png" -compose difference -composite \
        -colorspace gray -threshold 5% -define connected-components:verbose=true \
        -define connected-components:area-threshold=200 -connected-components 8 null: |
      awk "/gray\(255\)/ { split(\$3, c, \",\"); if (c[2] > 60 && \$4 > best) { best = \$4; x = int(c[1]); y = int(c[2]) } }
           END { if (best) print x, y; else print 320, 240 }")
  }

  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$sound "$MARVOSK_BIN" > "$log" 2>&1 & pid=$!
  await_window 640
  xdotool windowfocus "$win"; sleep 0.5
  xdotool key F1
  sleep 0.5
  shoot 320 240 "window" heard

  xdotool key alt+Return
  await_window 1024
  shoot 200 150 "full screen" heard
  xdotool key alt+Return
  await_window 640
  shoot 300 200 "window again" heard

  # Another window takes the keyboard focus, then the game gets it back.
  xmessage -geometry +0+0 "another program" & other=$!
  for _ in $(seq 30); do xdotool search --onlyvisible --name "^xmessage$" >/dev/null 2>&1 && break; sleep 0.1; done
  xdotool windowfocus "$(xdotool search --onlyvisible --name "^xmessage$" | head -1)"; sleep 0.3
  xdotool windowfocus "$win"; sleep 0.3
  kill "$other" 2>/dev/null
  shoot 400 300 "after the focus came back" heard

  # Aimed shots until one scores (a target moves on between the look and the shot: a few tries).
  score_ink > "$WORK/ink.before"
  new_ink=0
  for try in $(seq 30); do
    sleep 1.2  # the gun reloads before the aim is taken, so that nothing moves on meanwhile
    aim
    shoot "$tx" "$ty" "aimed at something moving, try $try" seen
    sleep 0.3
    new_ink=$(score_ink | comm -13 "$WORK/ink.before" - | wc -l)
    [ "$new_ink" -ge 20 ] && break  # a digit, not a stray pixel
  done
  [ "$new_ink" -ge 20 ] || fail "thirty aimed shots and the score never changed"
  echo "the score changed: $new_ink pixels of new ink"

  "$CLOSE_WINDOW" "$win" || fail "could not ask the window to close"
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "marvosk still runs 5 s after its window was closed"
  wait "$pid"; status=$?
  [ "$status" = 0 ] || fail "marvosk exited with status $status"
  echo "marvosk played across switches and focus changes, and ended cleanly"
'
