#!/usr/bin/env bash
# End-to-end: Submit in the highscore window on a desktop where no browser can be opened: no
# xdg-open, no browser named by BROWSER or DEFAULT_BROWSER, none on the path. A classic game
# is solved with keys to the highscore window, Enter submits; the window must stay, a message
# must say so, and the code, unchanged, must still copy from the window (pasted into the name
# field and read back over AT-SPI). Once per language; screenshots in the work folder.
#   highscore_no_browser.sh <game> <work-dir> <German game>
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
e2e_under_xvfb "$@"
e2e_with_a11y_bus "$@"
game_de=$3

# The game starts with an empty path and without the variables that name a browser or a
# desktop, so no way to a browser is left. (exec: the game keeps the wrapper's process id.)
mkdir -p "$work/empty-path"
for language in en de; do
  [ "$language" = en ] && exe=$game || exe=$game_de
  printf '#!/bin/sh\nexec env -u BROWSER -u DEFAULT_BROWSER -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID PATH=\"%s\" \"%s\"\n' \
    "$work/empty-path" "$exe" >"$work/game-without-browser"
  chmod +x "$work/game-without-browser"
  e2e_start_game "$work/game-without-browser" "$work/game_$language.log"
  xdotool windowactivate --sync "$main"
  $reader no-browser "$work/$language" | tee "$work/no_browser_$language.txt"
  grep -q '^PASS' "$work/no_browser_$language.txt" || fail "the $language highscore window without a browser"
  close_game_and_wm
done
echo "PASS"
