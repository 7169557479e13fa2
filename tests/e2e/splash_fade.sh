#!/usr/bin/env bash
# End-to-end: the splash fades out on screen. Every change of the splash window's opacity
# property is read from the X server as it happens (xprop -spy); the 51 steps after the
# main window has appeared must arrive one by one over the fade's 1.4 s, not in a burst.
#   splash_fade.sh <game> <work-dir>
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
e2e_under_xvfb "$@"

e2e_launch "$game" "$work/game.log"
any_window() { splash=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n1) && [ -n "$splash" ]; }
wait_for 10 any_window || fail "no window of the game appeared"
shown 'Vantrell Sudoku 1\.2' && fail "the main window came before the splash"

# Each notification stamped with the time it was read, in microseconds.
xprop -spy -id "$splash" _NET_WM_WINDOW_OPACITY |
  while IFS= read -r line; do echo "${EPOCHREALTIME/./} ${line##* }"; done >"$work/opacity.txt" &
spy=$!
also_kill+=("$spy")
wait_for 10 shown 'Vantrell Sudoku 1\.2' || fail "the main window did not appear"
sleep 2 # the fade takes 51 ticks of 27 ms
kill "$spy" 2>/dev/null || true

# Distinct values below opaque, in the order they arrived, with the time each first came.
awk '$2 ~ /^[0-9]+$/ && $2 < 4294967295 && $2 != last { print; last = $2 }' "$work/opacity.txt" >"$work/steps.txt"
steps=$(wc -l <"$work/steps.txt")
read -r span gap < <(awk 'NR == 1 { first = $1 } NR > 1 && $1 - prev > gap { gap = $1 - prev }
  { prev = $1 } END { printf "%d %d\n", (prev - first) / 1000, gap / 1000 }' "$work/steps.txt")
final=$(tail -n1 "$work/steps.txt" | cut -d' ' -f2)
echo "$steps opacity steps over ${span} ms, longest pause ${gap} ms, last value ${final:-none}"
[ "$steps" -ge 45 ] || fail "only $steps of the 51 opacity steps reached the X server one by one"
[ "$final" = 0 ] || fail "the fade did not end at opacity 0"
[ "$span" -ge 1000 ] || fail "the fade took ${span} ms on screen, not about 1.4 s"
[ "$gap" -le "$(scaled_ms 250)" ] || fail "the fade stood still for ${gap} ms"

wmctrl -i -c "$(window_named 'Vantrell Sudoku 1\.2')"
closed=$(now_ms)
ends_cleanly_within_a_second "$closed"
echo "PASS"
