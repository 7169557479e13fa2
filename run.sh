#!/usr/bin/env bash
# Installs what is missing, builds the game in build/ and starts it.
# Without a display it runs under xvfb-run and saves a screenshot to build/screenshot.png.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/tools/setup.sh" "$root/build"

game="$root/build/app/vantrell-sudoku"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$game" "$@"
fi

echo "No display found: starting the game under xvfb-run and saving a screenshot to build/screenshot.png."
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$root/tools/headless-screenshot.sh" "$game" "$root/build/screenshot.png"
