#!/usr/bin/env bash
# End-to-end: a highscore from the game into the highscore list. The player starts the
# classic game the panel offers first, reads the board, solves it with the mouse while the
# points are still above the bar, types a name into the highscore window and submits. The
# game hands its address to the desktop's browser (xdg-open; here a recorder registered as
# the handler of http addresses); the address must be the one the game builds for the home
# site, and the test browser, with the home site mapped onto the private service, must
# show the entry with its rank. Run by private_service.py (VANTRELL_TEST_HIGHSCORES_URL).
#   highscore_submit.sh <game> <work-dir> <home-site> <pictures-dir>
set -euo pipefail
. "$(dirname "$0")/e2e_lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
site=$3 pictures=$4
command -v xdg-open >/dev/null || { echo "SKIP: xdg-open is not installed"; exit 77; }
e2e_under_xvfb "$@"
[ -n "${VANTRELL_TEST_HIGHSCORES_URL:-}" ] || fail "no private highscore service (run through private_service.py)"

# The desktop's browser is a recorder: the user's own default for http addresses (which
# xdg-open asks before the system's), with no desktop environment that would ask another
# program. The system folders stay: openbox finds its theme there.
xdg="$work/xdg"
rm -rf "$xdg" "$work/opened"
mkdir -p "$xdg/data/applications" "$xdg/config"
cat >"$xdg/record-address.sh" <<RECORD
#!/bin/sh
printf '%s\n' "\$1" >>"$work/opened"
RECORD
chmod +x "$xdg/record-address.sh"
printf '[Desktop Entry]\nType=Application\nName=Recorder\nExec=%s %%u\nMimeType=x-scheme-handler/http;\nNoDisplay=true\n' \
  "$xdg/record-address.sh" >"$xdg/data/applications/vantrell-test-browser.desktop"
printf '[Default Applications]\nx-scheme-handler/http=vantrell-test-browser.desktop\n' >"$xdg/config/mimeapps.list"
export XDG_DATA_HOME="$xdg/data" XDG_CONFIG_HOME="$xdg/config"
export BROWSER="$xdg/record-address.sh"
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID

# The keyboard map gets a key for "ë" before the game reads it. Without one, xdotool maps a
# spare key for each letter and takes it back at once; a game slow under load then reads
# the key after its mapping has gone.
spare=$(xmodmap -pke | awk 'NF == 3 && $2 > 8 && !spare { spare = $2 } END { print spare }')
[ -n "$spare" ] && xmodmap -e "keycode $spare = ediaeresis Ediaeresis" || fail "no key could be mapped to ë"
e2e_start_game "$game" "$work/game.log"
# The panel starts with "Classical Sudoku Advanced": 40 given cells, blue numbers, 27240 points.
click "$main" 630 183
# The generator may take a while under load; the board is read once it is drawn.
board_read() {
  import -window "$main" "$work/board.png"
  read -r bx by bw bh < <(convert "$work/board.png" -crop 480x500+20+46 +repage -fuzz 3% -trim -format '%X %Y %w %h\n' info:)
  bx=$((bx + 20)); by=$((by + 46))
  [ "$bw" -eq 405 ] && [ "$bh" -eq 405 ] &&
    clicks=$(/usr/bin/python3 "$here/solve_board.py" "$work/board.png" "$bx" "$by" "$pictures" B 2>"$work/solve.log")
}
wait_for 30 board_read || { cat "$work/solve.log"; fail "no 9x9 board could be read (${bw:-0}x${bh:-0} at ${bx:-}, ${by:-})"; }
t0=$(now_ms)
args=()
while read -r x y; do
  args+=(mousemove --window "$main" "$x" "$y" click --delay 0 1 sleep 0.03)
done <<<"$clicks"
xdotool "${args[@]}"
wait_for 10 shown 'Possibly a World Record!' || { import -window root "$work/unsolved.png"; fail "no highscore window after the board was filled"; }
echo "solved in $(( $(now_ms) - t0 )) ms with $(wc -l <<<"$clicks") clicks"
high=$(window_named 'Possibly a World Record!')
import -window "$high" "$work/highscore-window.png"

# The name field, then Submit.
click "$high" 260 233
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 40 'Zoë E2E'
sleep 0.2
click "$high" 134 314
wait_for 10 test -s "$work/opened" || fail "the game opened no address"
address=$(head -n1 "$work/opened")
echo "opened: $address"
prefix="http://www.$site/index.php?ziel=medsudokuhighscore&name=Zo%C3%AB%20E2E&code="
[[ "$address" == "$prefix"* ]] || fail "the address is not the game's highscore address for $site"
[[ "${address#"$prefix"}" =~ ^[0-9]{23}$ ]] || fail "no 23-digit code at the end of the address"
wait_for 2 gone 'Possibly a World Record!' || fail "the highscore window stayed after Submit"

/usr/bin/python3 "$here/highscore_in_browser.py" "$address" "www.$site" "$VANTRELL_TEST_HIGHSCORES_URL" "$work" \
  || fail "the list did not take the entry"

wmctrl -i -c "$main"
ends_cleanly_within_a_second "$(now_ms)"
echo "PASS"
