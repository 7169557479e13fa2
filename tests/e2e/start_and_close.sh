#!/usr/bin/env bash
# End-to-end: the real game under Xvfb with a window manager. The splash appears, the
# main window follows after the splash's 50 ticks with its own caption, shows its
# background colour, and closing it ends the process with exit code 0 within a second.
#   start_and_close.sh <game> <work-dir>
set -euo pipefail
game=$1
work=$2
mkdir -p "$work"

if [ -z "${VANTRELL_E2E_INNER:-}" ]; then
  command -v xvfb-run >/dev/null || { echo "SKIP: xvfb-run is not installed"; exit 77; }
  export VANTRELL_E2E_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null || true; kill $pid 2>/dev/null || true' EXIT
sleep 0.5

start=$(date +%s%N)
"$game" >"$work/game.log" 2>&1 &
pid=$!

wait_for() { # wait_for <seconds> <command...>: polls every 20 ms
  local deadline=$(( $(date +%s%N) + $1 * 1000000000 )); shift
  while [ "$(date +%s%N)" -lt "$deadline" ]; do
    "$@" && return 0
    sleep 0.02
  done
  return 1
}
splash_visible() { xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1; }
main_visible() { main=$(xdotool search --onlyvisible --name '^Vantrell Sudoku 1\.2$' 2>/dev/null | head -n1) && [ -n "$main" ]; }

wait_for 10 splash_visible || { echo "FAIL: no window of the game appeared"; exit 1; }
splash_ms=$(( ($(date +%s%N) - start) / 1000000 ))
main_visible && { echo "FAIL: the main window was shown together with the splash"; exit 1; }
wait_for 10 main_visible || { echo "FAIL: the main window did not appear"; exit 1; }
main_ms=$(( ($(date +%s%N) - start) / 1000000 ))
echo "splash after ${splash_ms} ms, main window after ${main_ms} ms"
[ "$main_ms" -ge 1000 ] || { echo "FAIL: the main window came before the splash's 50 ticks"; exit 1; }
# The caption the window manager shows is the window's own, with nothing appended.
caption=$(xprop -id "$main" _NET_WM_NAME | sed -E 's/^[^=]*= "(.*)"$/\1/')
[ "$caption" = "Vantrell Sudoku 1.2" ] || { echo "FAIL: caption \"$caption\""; exit 1; }

sleep 1.6 # the splash fades out
import -window "$main" "$work/main_window.png"
# A point of the window's own background, right of the page control below the help box.
pixel=$(convert "$work/main_window.png" -format '%[fx:int(255*p{725,480}.r)],%[fx:int(255*p{725,480}.g)],%[fx:int(255*p{725,480}.b)]' info:)
[ "$pixel" = "236,233,216" ] || { echo "FAIL: background colour $pixel, expected 236,233,216"; exit 1; }

wmctrl -i -c "$main"
closed=$(date +%s%N)
if ! wait_for 1 bash -c "! kill -0 $pid 2>/dev/null"; then
  echo "FAIL: the game did not end within a second of closing its window"
  exit 1
fi
set +e
wait "$pid"
code=$?
set -e
echo "ended after $(( ($(date +%s%N) - closed) / 1000000 )) ms with exit code $code"
[ "$code" -eq 0 ] || { echo "FAIL: exit code $code"; exit 1; }
echo "PASS"
