#!/usr/bin/env bash
# The real program played under Wayland: weston runs nested on a virtual X screen (its X11
# backend gives it a seat, fed from the X server's pointer and keyboard), and marvosk runs on it
# through SDL's wayland video driver, with SDL's disk audio driver recording what it plays.
#
# What is checked, all from screenshots of the X screen (weston's output is one X window of a
# known size):
# - Decorations: in window mode the window carries a title bar drawn by the client (libdecor):
#   a band of near-black rows just as wide as the game's 640-pixel picture, 16 to 48 rows tall,
#   straight above the picture. The picture is located by it.
# - The mouse is exact in window mode: the pointer is put on known points of the picture and the
#   aim mark (the picture "Sikte", 19x19, drawn centred on the mouse) is looked for around them.
#   Its middle pixel is the only yellow one with all eight neighbours near-black (its dark
#   3x3 core), so it is found wherever targets pass, and it must lie exactly under the pointer:
#   a position off by one pixel fails. Checked at two points, before full screen and again after
#   coming back from it.
# - Shots: F1 starts a round and a click fires; the shot's thump must be heard in the recording.
# - Full screen (Alt+Enter): the picture must fill weston's output as the game scales it (the
#   largest whole factor, or the largest fit keeping its shape, with bars where it does not
#   reach; the output here is 1.6 times the picture, so no bars). The window's picture, scaled
#   to the output, must match what the output shows along all four of its edges (so the picture
#   reaches them, no desktop and no bars there), the score's navy ink must be in the top-left
#   area, and the aim mark must lie within a pixel of the pointer.
# - The program ends with status 0 when the window's close button (on the title bar drawn by
#   the client) is clicked, and weston then stops.
# With WAYLAND_E2E_SHOTS=DIR set, the screenshots of window mode and full screen are kept there.
#   wayland_e2e.sh MARVOSK
# Exits 77 (skipped) when weston is not installed.
set -euo pipefail
marvosk=${1:?usage: wayland_e2e.sh MARVOSK}
if [ "${2:-}" != --under-xvfb ]; then
  command -v weston >/dev/null || { echo "wayland_e2e: skipped: weston is not installed"; exit 77; }
  for tool in xvfb-run xdotool xwininfo import convert; do
    command -v "$tool" >/dev/null || { echo "wayland_e2e: $tool is missing (scripts/install-deps)"; exit 1; }
  done
  # Display numbers start apart from the other desktop tests', so that none race for one display.
  exec xvfb-run -a -n 190 -s "-screen 0 1280x1024x24" "$0" "$marvosk" --under-xvfb
fi

work=$(mktemp -d)
log=$work/marvosk.log sound=$work/sound.raw
pid="" weston_pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "wayland_e2e: $*"
  echo "marvosk said:"; tail -5 "$log" 2>/dev/null || true
  echo "weston said:"; tail -5 "$work/weston.log" 2>/dev/null || true
  local f
  [ -n "${WAYLAND_E2E_SHOTS:-}" ] && cp "$log" "$WAYLAND_E2E_SHOTS/failed-marvosk.log"
  for f in "$work"/*.png; do [ -f "$f" ] && keep "$(basename "$f" .png)" "failed-$(basename "$f" .png)"; done
  exit 1
}
keep() {  # keep SHOT NAME: copies the screenshot SHOT.png to $WAYLAND_E2E_SHOTS/NAME.png
  [ -n "${WAYLAND_E2E_SHOTS:-}" ] && cp "$work/$1.png" "$WAYLAND_E2E_SHOTS/$2.png"
  return 0
}

# Weston, nested: its output is an X window of ow x oh; no idle blanking, no user's weston.ini.
ow=1024 oh=768
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 0700 "$XDG_RUNTIME_DIR"
socket=marvosk
weston --backend=x11-backend.so --socket=$socket --width=$ow --height=$oh --no-config \
  --idle-time=0 > "$work/weston.log" 2>&1 & weston_pid=$!
output=""
for _ in $(seq 100); do
  [ -S "$XDG_RUNTIME_DIR/$socket" ] &&
    output=$(xwininfo -root -children | awk '/"Weston Compositor/ { print $1; exit }') &&
    [ -n "$output" ] && break
  kill -0 "$weston_pid" 2>/dev/null || fail "weston ended"
  sleep 0.1
done
[ -n "$output" ] || fail "weston showed no output within 10 s"
info=$(xwininfo -id "$output")
ox=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
oy=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
[ "$(awk '/Width:/ {print $2}' <<<"$info")x$(awk '/Height:/ {print $2}' <<<"$info")" = "${ow}x${oh}" ] ||
  fail "weston's output is not ${ow}x${oh}"
echo "weston's output: ${ow}x${oh} at $ox,$oy"

# Takes weston's output as $work/NAME.png.
shot() { import -window root -crop "${ow}x${oh}+${ox}+${oy}" +repage "$work/$1.png"; }

# The client-drawn title bar in screenshot $1: rows of which at least 15% of the pixels are
# near-black (every channel <= 9%), the first run of them from the top; the bar's columns are
# those near-black in at least half of its rows. Sets bar_top, bar_height, bar_left, bar_width,
# and the picture's place below it: gx, gy. False when there is no such band.
title_bar() {
  bar_width=0 bar_height=0
  convert "$work/$1.png" -separate -evaluate-sequence max -threshold 9% -negate "$work/dark.png"
  read -r bar_top bar_height < <(convert "$work/dark.png" -scale "1x${oh}!" -depth 16 txt:- |
    awk -F'[,:() ]+' 'NR > 1 { dark = $3 / 65535 >= 0.15 }
      dark && top == "" { top = $2 } !dark && top != "" && height == "" { height = $2 - top }
      END { if (top != "" && height != "") print top, height; else print -1, 0 }')
  [ "$bar_top" -ge 0 ] || return 1
  read -r bar_left bar_width < <(convert "$work/dark.png" -crop "${ow}x${bar_height}+0+${bar_top}" \
      +repage -scale "${ow}x1!" -depth 16 txt:- |
    awk -F'[,:() ]+' 'NR > 1 && $3 / 65535 >= 0.5 { if (left == "") left = $1; right = $1 }
      END { if (left != "") print left, right - left + 1; else print -1, 0 }')
  [ "$bar_left" -ge 0 ] || return 1
  gx=$bar_left gy=$((bar_top + bar_height))
}
# Waits (up to 10 s) for the game's window with its title bar; sets what title_bar sets. A
# window not drawn yet is dark all over, with or without its bar: the band is then far taller
# than a title bar, and the wait goes on.
await_window() {
  for _ in $(seq 40); do
    kill -0 "$pid" 2>/dev/null || fail "marvosk ended"
    shot window
    title_bar window && [ "$bar_width" = 640 ] && [ "$bar_height" -le 48 ] && return 0
    sleep 0.25
  done
  fail "no window with a 640-pixel title bar (last seen: ${bar_width:-none} wide, ${bar_height:-0} tall)"
}

# The aim mark's middle in screenshot $1 near output point ($2, $3): prints "x y count" with the
# mean place of the yellow pixels within 20 pixels whose neighbours are all near-black (one
# pixel, unscaled) or that touch at least three near-black ones and nothing but near-black and
# yellow (scaled up in full screen); count 0 when there is none.
aim_mark() {
  local x0=$(($2 - 20)) y0=$(($3 - 20))
  convert "$work/$1.png" -crop "41x41+${x0}+${y0}" +repage -depth 8 txt:- |
    awk -F'[,:() ]+' -v x0="$x0" -v y0="$y0" -v strict="$4" '
      NR > 1 { r[$1, $2] = $3; g[$1, $2] = $4; b[$1, $2] = $5 }
      function dark(k) { return (k in r) && r[k] <= 48 && g[k] <= 48 && b[k] <= 48 }
      function yellow(k) { return (k in r) && r[k] >= 200 && g[k] >= 170 && b[k] <= 120 }
      END {
        for (y = 1; y < 40; y++) for (x = 1; x < 40; x++) {
          if (!yellow(x SUBSEP y)) continue
          d = 0; other = 0
          for (dy = -1; dy <= 1; dy++) for (dx = -1; dx <= 1; dx++) {
            if (dx == 0 && dy == 0) continue
            k = (x + dx) SUBSEP (y + dy)
            if (dark(k)) d++; else if (!yellow(k)) other++
          }
          if (strict ? d == 8 : (d >= 3 && other == 0)) { sx += x; sy += y; n++ }
        }
        if (n) printf "%.1f %.1f %d\n", x0 + sx / n, y0 + sy / n, n; else print 0, 0, 0
      }'
}
# Puts the pointer on picture point ($1, $2) in window mode and checks that the aim mark is
# drawn exactly there.
check_aim_in_window() {
  local px=$((gx + $1)) py=$((gy + $2)) ax ay n
  xdotool mousemove $((ox + px)) $((oy + py))
  sleep 0.4
  shot aim
  read -r ax ay n < <(aim_mark aim "$px" "$py" 1)
  echo "$3: pointer on picture point $1,$2 (output $px,$py); aim mark's middle at $ax,$ay ($n pixel)"
  [ "$n" = 1 ] || fail "$3: no aim mark (or $n) around picture point $1,$2"
  [ "$ax" = "$px.0" ] && [ "$ay" = "$py.0" ] || fail "$3: the aim mark is off the pointer"
}

# The bytes recorded so far, and the loudest sample from byte offset $1 to the end.
recorded() { stat -c %s "$sound" 2>/dev/null || echo 0; }
loudest() {
  tail -c +$(($1 + 1)) "$sound" | od -An -v -t d2 -w2 |
    awk '{ v = $1 < 0 ? -$1 : $1; if (v > m) m = v } END { print m + 0 }'
}
# Waits until the game has been quiet for a moment (up to 10 s), so that a thump stands out.
await_quiet() {
  for _ in $(seq 50); do
    local from
    from=$(recorded)
    sleep 0.2
    [ "$(loudest "$from")" -lt 500 ] && return 0
  done
  fail "the game never falls quiet"
}
# Clicks at output point ($1, $2) once the gun has reloaded and the game is quiet, and checks
# that the shot is heard.
shoot() {
  sleep 1.2
  await_quiet
  xdotool mousemove $((ox + $1)) $((oy + $2))
  sleep 0.1
  local from peak
  from=$(recorded)
  xdotool click 1
  sleep 0.5
  peak=$(loudest "$from")
  echo "$3: shot at output point $1,$2; loudest sample after it $peak"
  [ "$peak" -ge 2000 ] || fail "$3: no shot heard"
}

# The desktop without the game, once weston's shell has drawn its background and its panel at
# the top (up to 5 s).
lit() { convert "$work/$1.png" -crop "1x1+$2+$3" -format "%[fx:intensity > 0.05 ? 1 : 0]" info:; }
for _ in $(seq 20); do
  shot desktop
  [ "$(lit desktop $((ow / 2)) $((oh / 2)))$(lit desktop $((ow / 2)) 4)" = 11 ] && break
  sleep 0.25
done
SDL_VIDEODRIVER=wayland WAYLAND_DISPLAY=$socket SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$sound \
  "$marvosk" > "$log" 2>&1 & pid=$!
await_window
echo "window mode: title bar ${bar_width}x${bar_height} at $bar_left,$bar_top; picture at $gx,$gy"
[ "$bar_height" -ge 16 ] && [ "$bar_height" -le 48 ] || fail "a title bar $bar_height rows tall"
# Weston's X11 backend moves its pointer by the differences between X motion events, from where
# it last saw the pointer enter its output; the pointer was there before weston began. Leaving
# and entering again makes weston's pointer the X server's. (Keys go to the X window under the
# pointer: weston's output.)
xdotool mousemove $((ox + ow + 100)) $((oy + oh + 100))
sleep 0.3
xdotool mousemove $((ox + gx + 320)) $((oy + gy + 240))
sleep 0.3
xdotool key F1  # the aim mark is drawn only during a round
sleep 0.5
check_aim_in_window 400 300 "window"
check_aim_in_window 213 157 "window"
shoot $((gx + 320)) $((gy + 240)) "window"
shot window
keep window wayland-window
convert "$work/window.png" -crop "640x480+${gx}+${gy}" +repage -filter point -resize "${ow}x${oh}!" \
  "$work/window-scaled.png"

xdotool key alt+Return
# Full screen shows no title bar; waits (up to 10 s) for it to go and the picture to settle.
for _ in $(seq 40); do
  sleep 0.25
  shot full
  title_bar full || break
done
title_bar full && fail "the title bar stays after Alt+Enter"
sleep 0.5
# Where the aim mark is drawn now, the pointer put on the output's point (700, 300).
xdotool mousemove $((ox + 700)) $((oy + 300))
sleep 0.4
shot full
keep full wayland-full
read -r ax ay n < <(aim_mark full 700 300 0)
echo "full screen: pointer on output point 700,300; aim mark's middle at $ax,$ay ($n pixels)"
[ "$n" -ge 1 ] || fail "full screen: no aim mark around the pointer"
awk -v x="$ax" -v y="$ay" 'BEGIN { exit !(x >= 699 && x <= 701 && y >= 299 && y <= 301) }' ||
  fail "full screen: the aim mark is off the pointer"
# Along each edge of the output: the share of pixels that are neither the desktop as it was
# before the game (more than 12% off it in some channel) nor a black bar (some channel above
# 9%), which must be nearly all; and the share within 12% of the window's picture scaled to the
# output, which targets passing the edge lower, but a picture scaled or placed otherwise lowers
# far more.
percent() { awk -v s="$1" 'BEGIN { printf "%.0f", s * 100 }'; }
for edge in "${ow}x1+0+0 top" "${ow}x1+0+$((oh - 1)) bottom" "1x${oh}+0+0 left" \
  "1x${oh}+$((ow - 1))+0 right"; do
  read -r area name <<<"$edge"
  # differs: white where a pixel is more than 12% off the other picture in some channel.
  differs() {
    convert \( "$work/full.png" -crop "$area" +repage \) \( "$work/$1.png" -crop "$area" +repage \) \
      -compose difference -composite -separate -evaluate-sequence max -threshold 12% "$work/$2.png"
  }
  differs desktop off-desktop
  differs window-scaled off-picture
  convert "$work/full.png" -crop "$area" +repage -separate -evaluate-sequence max -threshold 9% \
    "$work/lit.png"
  game=$(convert "$work/off-desktop.png" "$work/lit.png" -compose multiply -composite \
    -format "%[fx:mean]" info:)
  picture=$(convert "$work/off-picture.png" -negate -format "%[fx:mean]" info:)
  echo "full screen: $name edge: $(percent "$game")% of its pixels the game's, $(percent "$picture")% as in the picture"
  awk -v s="$game" 'BEGIN { exit !(s >= 0.95) }' || fail "full screen: the picture does not reach the $name edge"
  awk -v s="$picture" 'BEGIN { exit !(s >= 0.6) }' || fail "full screen: the $name edge is not the picture's"
done
# The score's navy ink in the top-left area (a third of the width, a tenth of the height).
ink=$(convert "$work/full.png" -crop "$((ow / 3))x$((oh / 10))+0+0" +repage -depth 8 txt:- |
  awk -F'[,:() ]+' 'NR > 1 && $3 <= 32 && $4 <= 32 && $5 >= 96 && $5 <= 160 { n++ } END { print n + 0 }')
echo "full screen: $ink pixels of navy ink in the top-left area"
[ "$ink" -ge 50 ] || fail "full screen: no score in the top-left area"
shoot 500 400 "full screen"

xdotool key alt+Return
await_window
echo "window mode again: title bar ${bar_width}x${bar_height} at $bar_left,$bar_top; picture at $gx,$gy"
check_aim_in_window 500 200 "window again"
check_aim_in_window 91 377 "window again"
shoot $((gx + 300)) $((gy + 200)) "window again"

# The close button is the title bar's rightmost one.
xdotool mousemove $((ox + bar_left + bar_width - bar_height / 2)) $((oy + bar_top + bar_height / 2))
sleep 0.2
xdotool click 1
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "marvosk still runs 5 s after its close button was clicked"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" = 0 ] || fail "marvosk exited with status $status"
kill "$weston_pid"
for _ in $(seq 50); do kill -0 "$weston_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$weston_pid" 2>/dev/null && fail "weston still runs 5 s after it was asked to stop"
wait "$weston_pid" 2>/dev/null || true
weston_pid=""
echo "marvosk played under Wayland with decorations, exact aim and full screen, and ended cleanly"
