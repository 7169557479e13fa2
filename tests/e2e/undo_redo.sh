#!/usr/bin/env bash
# End-to-end: undo and redo the player's way. A classic game is played with keys (xdotool)
# and read back over AT-SPI as a screen reader reads it: a slip on one cell is taken back
# with Ctrl+Z and brought back with Ctrl+Shift+Z and Ctrl+Y step by step, the focus cell
# following; then the grid is filled but for one cell, where a wrong value is taken back and
# brought back without ending the game, and the right value ends it with its window. Ctrl+Z
# after the end changes nothing. (A redo only reaches grids that were reached and checked
# before, so the player never completes a grid by a redo; test_game_play covers that path.)
#   undo_redo.sh <game> <work-dir>
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
e2e_under_xvfb "$@"
e2e_with_a11y_bus "$@"

e2e_start_game "$game" "$work/game.log"
xdotool windowactivate --sync "$main"
$reader undo-redo | tee "$work/undo_redo.txt"
grep -q '^PASS' "$work/undo_redo.txt" || { import -window root "$work/failed.png"; fail "undo and redo"; }
close_game_and_wm
echo "PASS"
