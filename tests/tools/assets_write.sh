#!/usr/bin/env bash
# marvosk-assets refuses bad arguments, and a write that fails names the file and leaves no part
# of it: the file is either not there or still the whole older one, and no temporary file is
# left. The failures are the system's own: a file size limit (ulimit -f) that stops the writing
# of the first larger file half way, and /dev/full.
#   assets_write.sh MARVOSK_ASSETS
set -uo pipefail
assets=$(realpath "${1:?usage: assets_write.sh MARVOSK_ASSETS}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# Runs the tool under an optional file size limit in KB; exit status in $status, what it said
# on its error output in $said. A process over the limit gets SIGXFSZ, ignored here as a
# program that handles a full disk would, so that the write fails with EFBIG instead.
run() {
  local limit=$1
  shift
  said=$( (trap '' XFSZ; [ "$limit" = none ] || ulimit -f "$limit"; timeout 60 "$assets" "$@") \
          2>&1 >/dev/null)
  status=$?
}
no_leftovers() {
  local hidden
  hidden=$(find "$1" -mindepth 1 -name '.*')
  [ -z "$hidden" ] || fail "$2: left $hidden"
}

for args in "" "--icon" "--icon a b" "-x" "--folder x"; do
  # shellcheck disable=SC2086
  run none $args
  [ "$status" -eq 2 ] || fail "[$args] exit status $status, not 2"
  [[ "$said" == usage:* ]] || fail "[$args] said: $said"
done
: >afile
run none afile
[ "$status" -eq 1 ] && [[ "$said" == *"afile is no folder"* ]] || fail "a file as folder: $status $said"

# A whole run.
run none whole
[ "$status" -eq 0 ] || fail "the whole run: exit status $status: $said"
count=$(find whole -type f | wc -l)
[ "$count" -gt 10 ] || fail "the whole run wrote $count files"
no_leftovers whole "the whole run"

# Into a fresh folder with a size limit: the files before the large one are whole, the large
# one is not there at all.
run 40 limited
[ "$status" -eq 1 ] || fail "over the limit: exit status $status"
failed=${said#marvosk-assets: Cannot write file \"}
failed=${failed%%\": *}
[[ "$said" == "marvosk-assets: Cannot write file \"limited/"*"\": File too large" ]] ||
  fail "over the limit, said: $said"
[ -e "$failed" ] && fail "over the limit: $failed was left behind"
for f in limited/*; do
  cmp -s "$f" "whole/${f#limited/}" || fail "over the limit: $f differs from the whole run's"
done
no_leftovers limited "over the limit"

# Over the files of an earlier run: the file that failed is still the earlier whole one.
cp -r whole again
run 40 again
[ "$status" -eq 1 ] || fail "over the limit again: exit status $status"
failed=${said#marvosk-assets: Cannot write file \"}
failed=${failed%%\": *}
[[ "$failed" == again/* ]] || fail "over the limit again, said: $said"
cmp -s "$failed" "whole/${failed#again/}" || fail "over the limit again: $failed was changed"
no_leftovers again "over the limit again"

# A full disk, and a folder that is not there.
run none --icon /dev/full
expected='marvosk-assets: Cannot write file "/dev/full": No space left on device'
[ "$status" -eq 1 ] && [ "$said" = "$expected" ] || fail "/dev/full: $status $said"
run none --icon missing/icon.png
expected='marvosk-assets: Cannot create file "missing/icon.png": No such file or directory'
[ "$status" -eq 1 ] && [ "$said" = "$expected" ] || fail "a missing folder: $status $said"
[ -e missing ] && fail "a missing folder was made"
run none --icon icon.png
[ "$status" -eq 0 ] && [ -s icon.png ] || fail "the icon: $status $said"
no_leftovers . "the icon"

[ "$failures" -eq 0 ] || { echo "$failures failures"; exit 1; }
echo "assets_write: all cases passed"
