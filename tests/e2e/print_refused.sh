#!/usr/bin/env bash
# End-to-end: printing the player's way against a private CUPS scheduler whose default queue
# first refuses jobs. The print page's "Prepare" makes one puzzle; "Print" on the refusing
# queue brings a message box and leaves the dialog open and ready; once the queue accepts
# again, "Print" closes the dialog and the job's PDF arrives.
#   print_refused.sh <game> <work-dir>
# Run through tests/support/cups/run-with-private-cupsd.sh, which sets CUPS_SERVER.
set -euo pipefail

if [ -n "${VANTRELL_TEST_CUPS_UNAVAILABLE:-}" ]; then
  echo "SKIP: no private CUPS scheduler: $VANTRELL_TEST_CUPS_UNAVAILABLE"; exit 77
fi
[ -n "${VANTRELL_TEST_CUPS_DIR:-}" ] || { echo "SKIP: run through run-with-private-cupsd.sh"; exit 77; }
for tool in xwininfo lpstat cupsreject cupsaccept; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
. "$(dirname "$0")/e2e_lib.sh"
e2e_under_xvfb "$@"

queue=vantrell-test
pdf="$VANTRELL_TEST_CUPS_DIR/out/job.pdf"
rm -f "$pdf"
cupsreject "$queue"

# The colour of a point of a window, as "r,g,b".
pixel() {
  import -window "$1" "$work/probe.png" 2>/dev/null || return 1
  convert "$work/probe.png" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}
visible() { xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }
dialog_visible() { dialog=$(xdotool search --onlyvisible --name '^Print$' 2>/dev/null | head -n1) && [ -n "$dialog" ]; }
# Ready: the cream cover over the printer choice is gone, and the white choice shows in
# its place.
dialog_ready() { [ "$(pixel "$dialog" 150 135)" = "255,255,255" ]; }
box_visible() {
  box=
  local w
  for w in $(xdotool search --onlyvisible --name '^Print$' 2>/dev/null); do
    [ "$w" != "$dialog" ] && box=$w
  done
  [ -n "$box" ]
}

e2e_start_game "$game" "$work/game.log"

# The print page, one puzzle per page, "Prepare".
click "$main" 187 22
sleep 0.3
click "$main" 620 213       # the count choice opens its list over itself
sleep 0.3
click "$main" 620 165       # "1 Field per Page"
sleep 0.3
click "$main" 573 238       # "Prepare"
wait_for 10 dialog_visible || fail "the print dialog did not appear"
wait_for 30 dialog_ready || fail "the print dialog did not become ready"
import -window "$dialog" "$work/dialog_ready.png"

# "Print" on the refusing queue: a message box, and the dialog stays.
start=$(date +%s%N)
click "$dialog" 240 135
wait_for 10 box_visible || fail "no message box after printing on a refusing queue"
echo "message box after $(( ($(date +%s%N) - start) / 1000000 )) ms"
xprop -id "$box" WM_TRANSIENT_FOR _NET_WM_WINDOW_TYPE | tee "$work/box.xprop"
grep -q "window id # $(printf '0x%x' "$dialog")" "$work/box.xprop" || fail "the message box does not belong to the dialog"
sleep 0.3
import -window "$box" "$work/message_box.png"
[ -f "$pdf" ] && fail "a job reached the refusing queue"
[ -z "$(lpstat -W not-completed -o)" ] || fail "the refusing queue holds a job: $(lpstat -W not-completed -o)"

wmctrl -i -c "$box"
wait_for 5 bash -c "! xwininfo -id $box 2>/dev/null | grep -q IsViewable" || fail "the message box did not close"
visible "$dialog" || fail "the dialog closed with the message box"
dialog_ready || fail "the dialog is no longer ready after the message"
import -window "$dialog" "$work/dialog_after_message.png"

# The queue accepts again: the same page prints, and the dialog closes as after any print.
cupsaccept "$queue"
click "$dialog" 240 135
wait_for 10 bash -c "! xwininfo -id $dialog 2>/dev/null | grep -q IsViewable" || fail "the dialog did not close after printing"
job_done() { [ -s "$pdf" ] && [ -z "$(lpstat -W not-completed -o)" ]; }
wait_for 20 job_done || fail "the job did not arrive at the queue's file"
lpstat -W completed -o "$queue" | tee "$work/jobs.txt"
[ "$(wc -l <"$work/jobs.txt")" -eq 1 ] || fail "expected exactly one finished job"
kill -0 "$pid" || fail "the game ended"

wmctrl -i -c "$main"
ends_cleanly_within_a_second "$(now_ms)"
echo "PASS"
