#!/usr/bin/env bash
# End-to-end: the game as a screen reader reads it. The real executable runs under Xvfb with
# openbox and a private D-Bus session whose accessibility bus is on; atspi_game.py reads its
# tree over AT-SPI: the roles and names of the main window's controls, the board as a 9 x 9
# table of named cells, the focus and the name of a cell following the keys (with the events
# a reader listens for), the highscore window of the game solved by keys, the help window,
# the print page and its dialog; before them, Tab rounds through the main window without and
# with a board, at each stop of which only the focus (and its container) says it is focused.
# Once per language: the German game is the same program started with the German language
# (vantrell-sudoku-de, built for this test).
#   accessibility.sh <game> <work-dir> <German game>
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
e2e_under_xvfb "$@"
e2e_with_a11y_bus "$@"
game_de=$3
reader="/usr/bin/python3 $(dirname "$0")/atspi_game.py"

for language in en de; do
  [ "$language" = en ] && exe=$game || exe=$game_de
  e2e_start_game "$exe" "$work/focus_$language.log"
  xdotool windowactivate --sync "$main"
  $reader focus-round | tee "$work/focus_$language.txt"
  grep -q '^PASS' "$work/focus_$language.txt" || fail "the $language focus"
  close_game_and_wm
  e2e_start_game "$exe" "$work/game_$language.log"
  xdotool windowactivate --sync "$main"
  $reader check "$language" | tee "$work/check_$language.txt"
  grep -q '^PASS' "$work/check_$language.txt" || fail "the $language tree"
  close_game_and_wm
done
echo "PASS"
