#!/usr/bin/env bash
# End-to-end: a solved game's result window under a window manager. The player sets up a
# custom 3x3 free game with 6 given cells and solves it with the mouse. The congratulation
# asks the window manager for no caption buttons; a minimise does not lose it, and the
# window manager's close (wmctrl, Alt+F4) acts as its OK, so the main window answers again.
#   result_window_close.sh <game> <work-dir>
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
e2e_under_xvfb "$@"
e2e_start_game "$game" "$work/game.log"

# The settings panel stands at a fixed place of the window: "User Defined", "3x3 Free",
# "Elements Set: 6", then "Start Game".
pick End 713 158
pick Home 713 182
pick End 713 206
start_game() { click "$main" 628 254; sleep 0.3; }
start_game

# The board is the only thing inside the play page's frame.
import -window "$main" "$work/board.png"
read -r bx by bw bh < <(convert "$work/board.png" -crop 440x470+40+60 +repage -fuzz 3% -trim -format '%X %Y %w %h\n' info:)
bx=$((bx + 40)); by=$((by + 60))
[ "$bw" -eq 135 ] && [ "$bh" -eq 135 ] || fail "no 3x3 board found (${bw}x${bh} at $bx,$by)"
page_colour=$(convert "$work/board.png" -format '%[pixel:p{45,65}]' info:)

# Every 3x3 Latin square in turn: its values go into every cell (given cells ignore the
# clicks), and a second click on each cell empties what was entered. One of them is the
# solution. Sets result to the congratulation window.
squares=(123231312 123312231 132213321 132321213 213132321 213321132
         231123312 231312123 312123231 312231123 321132213 321213132)
clicks_for() { # the xdotool arguments that click value v of every cell of square $1
  local s=$1 i x y v
  for i in 0 1 2 3 4 5 6 7 8; do
    x=$((i % 3)); y=$((i / 3)); v=${s:i:1}
    printf 'mousemove --window %s %d %d click --delay 0 1 sleep 0.02 ' "$main" \
      $((bx + 45 * x + 15 * ((v - 1) % 3) + 7)) $((by + 45 * y + 15 * ((v - 1) / 3) + 7))
  done
}
solve() {
  local s
  for s in "${squares[@]}"; do
    # shellcheck disable=SC2046
    xdotool $(clicks_for "$s")
    if wait_for "$(scaled 0.1)" shown Congratulations; then
      result=$(window_named Congratulations)
      echo "solved as $s; result window $result"
      return 0
    fi
    # shellcheck disable=SC2046
    xdotool $(clicks_for "$s")
  done
  fail "no Latin square solved the board (does the main window answer?)"
}

t0=$(now_ms); solve; echo "solve took $(( $(now_ms) - t0 )) ms"
no_caption_buttons_asked "$result" || fail "the result window asks for caption buttons"
fixed_size_told "$result" || fail "the result window does not tell its fixed size"

# A minimise (whether offered or not) does not lose the window.
xdotool windowminimize "$result"
sleep 0.5
wait_for 1 shown Congratulations || fail "a minimised result window did not come back"

# The window manager's close acts as OK: the window goes and the main window answers,
# so a new game can be started and solved.
wmctrl -i -c "$result"
wait_for 1 gone Congratulations || fail "the window manager's close did not end the result window"
start_game
t0=$(now_ms); solve; echo "solve took $(( $(now_ms) - t0 )) ms"

# Alt+F4 likewise; this time the print mode tab shows that the main window answers.
xdotool windowactivate --sync "$result" key --clearmodifiers alt+F4
wait_for 1 gone Congratulations || fail "Alt+F4 did not end the result window"
board_centre="%[pixel:p{$((bx + 67)),$((by + 67))}]"
[ "$(convert "$work/board.png" -format "$board_centre" info:)" != "$page_colour" ] || fail "board not drawn"
click "$main" 188 22
sleep 0.3
import -window "$main" "$work/after.png"
[ "$(convert "$work/after.png" -format "$board_centre" info:)" = "$page_colour" ] ||
  fail "the main window does not answer after the result window"

wmctrl -i -c "$main"
closed=$(now_ms)
ends_cleanly_within_a_second "$closed"
echo "PASS"
