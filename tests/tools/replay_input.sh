#!/usr/bin/env bash
# marvosk-replay refuses every bad argument and script line before it plays anything: exit
# status 2, a message that names the line, and no file written inside or outside the output
# folder. A good script still plays, and the input of every line goes to the window the form
# has at that moment, also after Alt+Enter has made it a new one.
#   replay_input.sh MARVOSK_REPLAY ROUND_SCRIPT
set -uo pipefail
replay=${1:?usage: replay_input.sh MARVOSK_REPLAY ROUND_SCRIPT}
round=${2:?usage: replay_input.sh MARVOSK_REPLAY ROUND_SCRIPT}
replay=$(realpath "$replay")
round=$(realpath "$round")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/out"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Runs the tool; its exit status in $status, what it said in $said.
run() {
  said=$(cd "$work" && timeout 60 "$replay" "$@" 2>&1 >/dev/null)
  status=$?
}

# Nothing may be written anywhere under the work folder but the scripts themselves.
nothing_written() {
  local extra
  extra=$(cd "$work" && find . -mindepth 1 ! -name 'script*' ! -path ./out)
  [ -z "$extra" ] || fail "$1: wrote $extra"
}

# A script whose line LINE is bad: refused with that line number.
refused_at() {
  local line=$1 text=$2
  printf '%b' "$text" >"$work/script"
  run script out
  [ "$status" -eq 2 ] || fail "[$text] exit status $status, not 2"
  [[ "$said" == "marvosk-replay: line $line: "* ]] || fail "[$text] said: $said"
  nothing_written "[$text]"
}

refused_at 2 '# a round\n99999999999 end\n'
refused_at 1 '-1 end\n'
refused_at 1 '600001 end\n'
refused_at 1 '+5 end\n'
refused_at 1 '0x10 end\n'
refused_at 1 '1e3 end\n'
refused_at 1 'abc key F1\n'
refused_at 3 '100 key F1\n\n200 move abc def\n'
refused_at 1 '100 move 640 0\n'
refused_at 1 '100 move 0 480\n'
refused_at 1 '100 move -1 0\n'
refused_at 1 '100 move 1\n'
refused_at 1 '100 move 1 2 3\n'
refused_at 1 '100 click now\n'
refused_at 1 '100 key\n'
refused_at 1 '100 key F7\n'
refused_at 1 '100 key alt+F1 F2\n'
refused_at 1 '100 frame\n'
refused_at 1 '100 frame ../escape.png\n'
refused_at 1 '100 frame sub/x.png\n'
refused_at 1 '100 frame /x.png\n'
refused_at 1 '100 frame ..\n'
refused_at 1 '100 frame .\n'
refused_at 1 '100 frame sound.wav\n'
refused_at 2 '100 frame a.png\n200 frame a.png\n'
refused_at 1 '100 end now\n'
refused_at 1 '100 jump\n'
refused_at 1 '100\n'
refused_at 2 '500 key F1\n400 click\n'
refused_at 2 '500 end\n600 click\n'
# A bad line late in the script stops it before the frame of an earlier line is written.
refused_at 3 '100 key F1\n200 frame early.png\n300 frame ../late.png\n'

# Bad arguments: refused with a message, nothing written.
printf '100 frame x.png\n100 end\n' >"$work/script"
for args in "--seed abc script out" "--seed 99999999999999999999 script out" \
            "--seed -1 script out" "--seed" "script" "script out extra" \
            "script missing" "script script" ". out" "missing out" "/dev/null out"; do
  # shellcheck disable=SC2086
  run $args
  [ "$status" -eq 2 ] || fail "[$args] exit status $status, not 2"
  [[ "$said" == marvosk-replay:* || "$said" == usage:* ]] || fail "[$args] said: $said"
  nothing_written "[$args]"
done
: >"$work/script_empty"
run script_empty out
[ "$status" -eq 2 ] || fail "an empty script: exit status $status"

# The round plays, with a seed too, and writes its frame and sound inside the folder.
run --seed 7 "$round" out
[ "$status" -eq 0 ] || fail "the round: exit status $status: $said"
[ -s "$work/out/round.png" ] && [ -s "$work/out/sound.wav" ] || fail "the round wrote no files"
[ -z "$(find "$work/out" -name '.*' -mindepth 1)" ] || fail "the round left hidden files"

# A frame that cannot be written whole (a file size limit stops it half way): the line and the
# file are named, the run stops with status 1, and neither the frame nor a part of it is left.
mkdir "$work/limited"
said=$(cd "$work" && (trap '' XFSZ; ulimit -f 40; timeout 60 "$replay" "$round" limited) 2>&1 >/dev/null)
status=$?
[ "$status" -eq 1 ] || fail "over the limit: exit status $status"
[[ "$said" == "marvosk-replay: line "*': Cannot write file "limited/round.png": File too large' ]] ||
  fail "over the limit, said: $said"
[ -z "$(ls -A "$work/limited")" ] || fail "over the limit, left: $(ls -A "$work/limited")"

# Full screen and back: a move after each switch reaches the game (the gun follows the mouse),
# and each frame is the picture of the window the form has then.
switching='500 key F1\n1000 key alt+Return\n1500 move 100 100\n2000 frame full.png\n'
switching+='2100 key alt+Return\n2600 move 500 300\n3100 frame window.png\n3100 end\n'
still='500 key F1\n1000 key alt+Return\n2000 frame full.png\n2100 key alt+Return\n'
still+='3100 frame window.png\n3100 end\n'
mkdir "$work/moved" "$work/still"
printf '%b' "$switching" >"$work/script_moved"
printf '%b' "$still" >"$work/script_still"
run script_moved moved
[ "$status" -eq 0 ] || fail "switching: exit status $status: $said"
run script_still still
[ "$status" -eq 0 ] || fail "switching without moves: exit status $status: $said"
for f in full.png window.png; do
  [ -s "$work/moved/$f" ] || fail "switching wrote no $f"
  cmp -s "$work/moved/$f" "$work/still/$f" && fail "$f: the mouse move after a switch was lost"
done
cmp -s "$work/moved/full.png" "$work/moved/window.png" && fail "the frames after both switches are one picture"

[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "replay_input: all cases passed"
