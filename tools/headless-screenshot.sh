#!/usr/bin/env bash
# Runs the game on the current (virtual) display with a window manager, waits for the
# main window, saves a screenshot of it and closes the game.
#   tools/headless-screenshot.sh <game> <png>
set -euo pipefail
game=$1
png=$2

openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null || true' EXIT
sleep 0.5

"$game" &
pid=$!
win=""
for _ in $(seq 1 100); do
  win=$(xdotool search --onlyvisible --name '^Vantrell Sudoku 1\.2$' 2>/dev/null | head -n1 || true)
  [ -n "$win" ] && break
  sleep 0.1
done
if [ -z "$win" ]; then
  echo "The main window did not appear." >&2
  kill "$pid" 2>/dev/null || true
  exit 1
fi
sleep 1.6 # let the splash fade out
import -window "$win" "$png"
echo "Screenshot saved: $png"
wmctrl -i -c "$win" || kill "$pid"
wait "$pid"
