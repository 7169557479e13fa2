#!/usr/bin/env bash
# End-to-end: the print dialog the player's way, against a private CUPS scheduler reached
# through tests/support/cups/ipp_proxy.py, which can break the next document on demand.
#   standart   a queue named "Standart", picked from the list, gets the page
#   minimise   a ready dialog that was minimised comes back ready: Print, Break and Alt+F4
#   list       a queue added while the game runs is offered at the next showing; a removed
#              one is gone
#   unconfirmed  a scheduler that hangs in the middle of the document: a message, the
#              dialog stays ready, and the page prints once the scheduler is back
#   close      the main window closed while the print waits ends the game, with no message
# VANTRELL_E2E_STEPS picks some of them (in this order; "close" ends the game).
#   print_dialog_paths.sh <game> <work-dir>
# Run through tests/support/cups/run-with-private-cupsd.sh, which sets CUPS_SERVER.
set -euo pipefail

if [ -n "${VANTRELL_TEST_CUPS_UNAVAILABLE:-}" ]; then
  echo "SKIP: no private CUPS scheduler: $VANTRELL_TEST_CUPS_UNAVAILABLE"; exit 77
fi
[ -n "${VANTRELL_TEST_CUPS_DIR:-}" ] || { echo "SKIP: run through run-with-private-cupsd.sh"; exit 77; }
for tool in xwininfo lpstat lpadmin; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ -x /usr/bin/python3 ] || { echo "SKIP: no /usr/bin/python3 for the proxy"; exit 77; }
. "$(dirname "$0")/e2e_lib.sh"
e2e_under_xvfb "$@"
fail() { import -window root "$work/fail.png" 2>/dev/null; echo "FAIL: $*"; exit 1; }
steps=" ${VANTRELL_E2E_STEPS:-standart minimise list unconfirmed close} "

out="$VANTRELL_TEST_CUPS_DIR/out"
proxy="$VANTRELL_TEST_CUPS_DIR/proxy.sock"
/usr/bin/python3 "$(dirname "$0")/../support/cups/ipp_proxy.py" "$proxy" "$CUPS_SERVER" &
also_kill+=($!)
wait_for 5 test -S "$proxy" || fail "the proxy did not start"
proxy_mode() { echo "$1" >"$proxy.mode"; }
lpadmin -p Standart -E -v "file://$out/standart.pdf" -P "$(dirname "$0")/../support/cups/vantrell-test.ppd"

pixel() {
  import -window "$1" "$work/probe.png" 2>/dev/null || return 1
  convert "$work/probe.png" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
dialog_shown() { dialog=$(xdotool search --all --onlyvisible --pid "$pid" --name '^Print$' 2>/dev/null | head -n1) && [ -n "$dialog" ]; }
dialog_gone() { ! viewable "$dialog"; }
# Ready: the white printer choice shows where the cream cover lies while the page is composed.
dialog_ready() { [ "$(pixel "$dialog" 150 135)" = "255,255,255" ]; }
box_shown() {
  box=
  local w
  for w in $(xdotool search --all --onlyvisible --pid "$pid" --name '^Print$' 2>/dev/null); do
    [ "$w" != "$dialog" ] && box=$w
  done
  [ -n "$box" ]
}
idle() { [ -z "$(lpstat -W not-completed -o)" ]; }
printed() { [ -s "$out/$1" ] && idle; }

# One puzzle per page, "Prepare", and wait until the dialog is ready.
prepare() {
  click "$main" 187 22
  click "$main" 620 213 # the count choice opens its list over itself
  click "$main" 620 165 # "1 Field per Page"
  click "$main" 573 238 # "Prepare"
  wait_for 10 dialog_shown || fail "the print dialog did not appear"
  wait_for 30 dialog_ready || fail "the print dialog did not become ready"
}
# Picks the first (Home) or last (End) printer of the dialog's list.
pick_printer() { click "$dialog" 176 135; sleep 0.3; xdotool key "$1" Return; sleep 0.3; }
print_to() { # <file>: Print, and the page lands in that queue's file
  rm -f "$out"/*.pdf
  click "$dialog" 240 135
  wait_for 10 dialog_gone || fail "the dialog did not close after printing"
  wait_for 20 printed "$1" || fail "the page did not reach $1 (files: $(ls "$out"))"
}
minimise() {
  xdotool windowminimize "$dialog"
  sleep 0.5
  wait_for 3 viewable "$dialog" || fail "the minimised dialog did not come back"
  wait_for 2 dialog_ready || fail "the dialog came back covered"
}

# The game talks to the scheduler through the proxy; this script straight to it.
CUPS_SERVER=$proxy e2e_start_game "$game" "$work/game.log"

if [[ $steps == *" standart "* ]]; then
  prepare
  pick_printer Home # "Standart", first in the list
  print_to standart.pdf
  picked=standart.pdf
  echo "standart: the queue named Standart got the page"
fi

if [[ $steps == *" minimise "* ]]; then
  prepare; minimise
  import -window "$dialog" "$work/minimised_back.png"
  print_to "${picked:-job.pdf}" # the printer picked before stays
  prepare; minimise
  click "$dialog" 345 135 # "Break"
  wait_for 5 dialog_gone || fail "Break did not close the dialog that came back"
  prepare; minimise
  xdotool windowactivate --sync "$dialog" key --clearmodifiers alt+F4
  wait_for 5 dialog_gone || fail "Alt+F4 did not close the dialog that came back"
  echo "minimise: Print, Break and Alt+F4 work on a dialog that came back"
fi

if [[ $steps == *" list "* ]]; then
  prepare
  lpadmin -p zz-added -E -v "file://$out/added.pdf" -P "$(dirname "$0")/../support/cups/vantrell-test.ppd"
  click "$dialog" 345 135
  wait_for 5 dialog_gone || fail "Break did not close the dialog"
  prepare; pick_printer End
  print_to added.pdf
  lpadmin -x zz-added
  prepare; pick_printer End # the last queue again
  print_to job.pdf
  echo "list: an added queue is offered at the next showing, a removed one is gone"
fi

if [[ $steps == *" unconfirmed "* ]]; then
  prepare
  rm -f "$out"/*.pdf
  proxy_mode freeze
  started=$(now_ms)
  click "$dialog" 240 135
  wait_for 10 box_shown || fail "no message when the scheduler hung in the middle of the document"
  echo "message after $(( $(now_ms) - started )) ms"
  grep -q tripped "$proxy.mode" || fail "the document never reached the proxy's cut"
  import -window "$box" "$work/unconfirmed_box.png"
  wmctrl -i -c "$box"
  wait_for 5 bash -c "! xwininfo -id $box 2>/dev/null | grep -q IsViewable" || fail "the message box did not close"
  viewable "$dialog" && dialog_ready || fail "the dialog is not ready after the message"
  proxy_mode pass # the held connection is dropped: the half-sent job cannot print
  cleared() { cancel -a 2>/dev/null; idle; }
  wait_for 10 cleared || fail "the half-sent job stays in the queue"
  print_to job.pdf
  [ "$(lpstat -W completed -o | wc -l)" -ge 1 ] || fail "no finished job"
  echo "unconfirmed: not reported as printed; the page printed once the scheduler was back"
fi

if [[ $steps == *" close "* ]]; then
  prepare
  proxy_mode hang
  click "$dialog" 240 135
  sleep 1
  wmctrl -i -c "$main"
  closed=$(now_ms)
  ended() { process_ended || box_shown; }
  wait_for 6 ended || fail "the game did not end when its window was closed during the print"
  box_shown && fail "a message box came up instead of the game ending"
  ends_cleanly_within_a_second "$closed"
  proxy_mode pass
  echo "PASS"
  exit 0
fi

wmctrl -i -c "$main"
ends_cleanly_within_a_second "$(now_ms)"
echo "PASS"
