#!/usr/bin/env bash
# End-to-end: the preset box moves from the preset it shows, under the arrow keys and under
# the wheel, also after the panel has changed its text itself.
#
# What is played is read from outside: a game start gives the main window the minimum size
# of its board (side n: n*45+262 by n*45+113), which the window manager receives in
# WM_NORMAL_HINTS and xprop reads. The presets of this run have sides 6 and 7, so a move
# that starts from another entry, or no move at all, shows as another size.
#   preset_keys_and_wheel.sh <game> <work-dir>
set -euo pipefail

. "$(dirname "$0")/e2e_lib.sh"
e2e_under_xvfb "$@"

minimum_size() {
  xprop -id "$main" WM_NORMAL_HINTS | sed -nE 's/.*program specified minimum size: ([0-9]+) by ([0-9]+).*/\1x\2/p'
}
has_minimum_size() { [ "$(minimum_size)" = "$1" ]; }

# The English build's texts; the keys and the wheel do not depend on them.
e2e_start_game "$game" "$work/game.log"

# Window positions of the game box's controls: the group box stands at 530, 130.
preset_text=(600 158) # the text of cbspiel (8, 18, 185 x 21 in the group)
start_button=(700 182) # the start picture below it while a preset is chosen

start_game_expecting() { # <minimum size> <what the keys or the wheel should have chosen>
  xdotool mousemove --window "$main" "${start_button[@]}" click 1
  if ! wait_for 30 has_minimum_size "$1"; then
    echo "FAIL: expected $2 (minimum size $1), the game started has minimum size '$(minimum_size)'"
    import -window "$main" "$work/failed.png" 2>/dev/null || true
    exit 1
  fi
  echo "ok: $2 was played (minimum size $1)"
}

# At start "Classical Sudoku Advanced" (entry 5) shows. Down, then Up five times: from the
# shown entry that is "Free Beginner" (6x6); from the first entry it would be "Free Training".
xdotool mousemove --window "$main" "${preset_text[@]}" click 1
sleep 0.2
xdotool key --delay 60 Down Up Up Up Up Up
sleep 0.2
start_game_expecting 532x383 '"Free Beginner" after Down and five times Up'

# Deleting the preset text turns the panel into "User Defined" (entry 7). Five wheel notches
# up from there: "Free Advanced" (7x7).
xdotool mousemove --window "$main" "${preset_text[@]}" click 1
sleep 0.2
xdotool key --delay 60 ctrl+a BackSpace
sleep 0.3
xdotool mousemove --window "$main" "${preset_text[@]}" click --repeat 5 --delay 80 4
sleep 0.3
start_game_expecting 577x428 '"Free Advanced" after five wheel notches up from "User Defined"'

wmctrl -i -c "$main"
ends_cleanly_within_a_second "$(now_ms)"
echo "PASS"
