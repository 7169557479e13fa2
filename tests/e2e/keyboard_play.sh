#!/usr/bin/env bash
# End-to-end: the whole game without the mouse. Only `xdotool key` and `xdotool type` act on
# the game; the board's cells are read over AT-SPI as a screen reader reads them, which is
# where the solution comes from. A custom 3x3 game is set up, started and solved with keys,
# its congratulation closed with Escape; print mode prepares one puzzle and prints it on a
# private CUPS queue; a classic game with 23 given cells is solved with keys, the name typed
# into the highscore window and submitted with Enter, which opens the highscore address.
#   keyboard_play.sh <game> <work-dir> <code decoder>
# Run through tests/support/cups/run-with-private-cupsd.sh, which sets CUPS_SERVER.
set -euo pipefail

if [ -n "${VANTRELL_TEST_CUPS_UNAVAILABLE:-}" ]; then
  echo "SKIP: no private CUPS scheduler: $VANTRELL_TEST_CUPS_UNAVAILABLE"; exit 77
fi
[ -n "${VANTRELL_TEST_CUPS_DIR:-}" ] || { echo "SKIP: run through run-with-private-cupsd.sh"; exit 77; }
command -v lpstat >/dev/null || { echo "SKIP: lpstat is not installed"; exit 77; }
. "$(dirname "$0")/e2e_lib.sh"
e2e_under_xvfb "$@"
e2e_with_a11y_bus "$@"
decoder=$3
reader="/usr/bin/python3 $(dirname "$0")/atspi_game.py"
pdf="$VANTRELL_TEST_CUPS_DIR/out/job.pdf"
rm -f "$pdf"

# The browser: a stand-in that records the address it is asked to open.
opened="$work/opened.txt"
rm -f "$opened"
mkdir -p "$work/bin"
cat >"$work/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$1" >>"$opened"
EOF
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"

press() { xdotool key --delay 60 "$@"; sleep 0.2; }
# Keys go to the active window: after another window closes, the main window must be it again.
main_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$main" ]; }
repeat() { local k=$1 n=$2 keys=(); while [ "$n" -gt 0 ]; do keys+=("$k"); n=$((n - 1)); done; press "${keys[@]}"; }
# Fills the board with the solution read from its cells.
solve_board() { # <side> [--blocks]
  $reader wait-board "$1" || fail "no $1 x $1 board"
  local keys
  keys=$($reader solve-keys "${2:-}") || fail "$keys"
  # shellcheck disable=SC2086
  xdotool key --delay 15 $keys
}

e2e_start_game "$game" "$work/game.log"
xdotool windowactivate --sync "$main"

# "User Defined" (the last preset), "3x3 Free" (the first type), 6 given cells (the most),
# then Tab to "Start Game" and Enter.
press alt+1
repeat Down 8
press Tab
repeat Up 8
press Tab
repeat Down 4
press Tab Tab Return
solve_board 3
wait_for 5 shown Congratulations || fail "no congratulation after the last key"
result=$(window_named Congratulations)
$reader names Congratulations | tee "$work/congratulations.txt"
grep -q '^dialog .*You have solved the Sudoku with [0-9-]* Points\.' "$work/congratulations.txt" ||
  fail "the congratulation does not announce the points"
grep -q "^push button 'OK'" "$work/congratulations.txt" || fail "no OK button in the congratulation"
press Escape
wait_for 2 gone Congratulations || fail "Escape did not close the congratulation"
echo "congratulation $result closed with Escape"
wait_for 5 main_active || fail "the main window did not become active again"

# Print mode (Alt+2), "1 Field per Page" (the first), Tab to "Prepare" and Enter; the
# dialog comes up with the focus on "Print", so Enter prints.
press alt+2
repeat Up 2
press Tab Return
dialog_visible() { dialog=$(xdotool search --onlyvisible --name '^Print$' 2>/dev/null | head -n1) && [ -n "$dialog" ]; }
wait_for 10 dialog_visible || fail "the print dialog did not appear"
pixel() {
  import -window "$1" "$work/probe.png" 2>/dev/null || return 1
  convert "$work/probe.png" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}
dialog_ready() { [ "$(pixel "$dialog" 150 135)" = "255,255,255" ]; }
wait_for 30 dialog_ready || fail "the print dialog did not become ready"
$reader names Print | tee "$work/print_dialog.txt"
for control in "push button 'Print'" "push button 'Break'" "combo box" "progress bar 'Progress'"; do
  grep -q "^$control" "$work/print_dialog.txt" || fail "the print dialog shows no $control"
done
import -window "$dialog" "$work/print_dialog.png"
press Return
wait_for 10 bash -c "! xwininfo -id $dialog 2>/dev/null | grep -q IsViewable" || fail "the dialog did not close after Enter"
job_done() { [ -s "$pdf" ] && [ -z "$(lpstat -W not-completed -o)" ]; }
wait_for 20 job_done || fail "the page did not reach the queue"
lpstat -W completed -o | tee "$work/jobs.txt"
[ "$(wc -l <"$work/jobs.txt")" -eq 1 ] || fail "expected exactly one printed job"
pdfinfo "$pdf" | grep -q '^Pages: *1$' || fail "the printed file is not one page"
wait_for 5 main_active || fail "the main window did not become active after printing"

# Back to the play page (Alt+1 puts the focus on the presets): "9x9 Classical" (the last
# type), 23 given cells (the fewest), F2 starts it.
press alt+1 Tab
repeat Down 8
press Tab
repeat Up 40
press F2
solve_board 9 --blocks
record='Possibly a World Record!'
wait_for 5 shown "$record" || fail "no highscore window after the last key"
$reader names "$record" | tee "$work/highscore.txt"
for control in "text 'Name'" "text 'Code'" "text 'Link'" "push button 'Submit'" "push button 'Maybe next time'"; do
  grep -q "^$control" "$work/highscore.txt" || fail "the highscore window shows no $control"
done
# The name field has the focus: select its text, type the name, Enter submits.
press ctrl+a
xdotool type --delay 40 'Kim Keys'
sleep 0.2
press Return
wait_for 2 gone "$record" || fail "Enter did not close the highscore window"
wait_for 5 test -s "$opened" || fail "no address was opened"
address=$(head -n1 "$opened")
echo "opened: $address"
[[ $address =~ ^http://www\.[a-z.-]+/index\.php\?ziel=medsudokuhighscore\&name=Kim%20Keys\&code=([0-9]{23})$ ]] ||
  fail "not the highscore address with the typed name: $address"
"$decoder" "${BASH_REMATCH[1]}" | tee "$work/code.txt" || fail "the code does not decode"
grep -qx 'game type: 1' "$work/code.txt" && grep -qx 'given cells: 23' "$work/code.txt" ||
  fail "the code carries another game"

kill -0 "$pid" || fail "the game ended"
wmctrl -i -c "$main"
ends_cleanly_within_a_second "$(now_ms)"
echo "PASS"
