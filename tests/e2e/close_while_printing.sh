#!/usr/bin/env bash
# End-to-end: closing the main window while a print page is being composed. The player
# prepares a page of six classic puzzles; the print dialog asks the window manager for no
# caption buttons and stays while it composes, even when the window manager closes it;
# closing the main window within a second of the preparation then ends the game with exit
# code 0 within a second, with no window left behind.
#   close_while_printing.sh <game> <work-dir>
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
e2e_under_xvfb "$@"
e2e_start_game "$game" "$work/game.log"

click "$main" 188 22      # the print mode tab
pick End 713 213          # "6 Fields per Page"
click "$main" 628 237     # "Prepare"
prepared=$(now_ms)
wait_for 1 shown Print || fail "the print dialog did not appear"
dialog=$(window_named Print)
no_caption_buttons_asked "$dialog" || fail "the print dialog asks for caption buttons"

# A close that reaches the dialog while it composes the page is refused.
wmctrl -i -c "$dialog"
sleep 0.2
shown Print || fail "the print dialog closed while composing"

elapsed=$(( $(now_ms) - prepared ))
[ "$elapsed" -lt "$(scaled_ms 1000)" ] || fail "too slow to close within a second of the preparation (${elapsed} ms)"
# (Six classic puzzles take seconds: the page is still being composed after this look.)
fixed_size_told "$dialog" || fail "the print dialog does not tell its fixed size"
wmctrl -i -c "$main"
closed=$(now_ms)
echo "main window closed ${elapsed} ms after the preparation began"
ends_cleanly_within_a_second "$closed"
echo "PASS"
