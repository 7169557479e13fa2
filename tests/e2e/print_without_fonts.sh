#!/usr/bin/env bash
# End-to-end: printing on a machine whose fonts cannot draw digits, against a private CUPS
# scheduler. The game runs once with an empty fontconfig (no font at all) and once with a
# dingbat face as its only font; each time the player prepares one classic puzzle and
# prints it, and the printed page must show 40 clearly readable digits that break no rule.
#   print_without_fonts.sh <game> <work-dir> <read_printed_puzzle>
# Run through tests/support/cups/run-with-private-cupsd.sh, which sets CUPS_SERVER.
set -euo pipefail

if [ -n "${VANTRELL_TEST_CUPS_UNAVAILABLE:-}" ]; then
  echo "SKIP: no private CUPS scheduler: $VANTRELL_TEST_CUPS_UNAVAILABLE"; exit 77
fi
[ -n "${VANTRELL_TEST_CUPS_DIR:-}" ] || { echo "SKIP: run through run-with-private-cupsd.sh"; exit 77; }
dingbats=/usr/share/fonts/opentype/urw-base35/D050000L.otf
for need in /usr/bin/pdftoppm /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$dingbats"; do
  [ -e "$need" ] || { echo "SKIP: $need is missing"; exit 77; }
done
reader=$3
. "$(dirname "$0")/e2e_lib.sh"
e2e_under_xvfb "$@"

out="$VANTRELL_TEST_CUPS_DIR/out"
dialog_shown() { dialog=$(xdotool search --all --onlyvisible --pid "$pid" --name '^Print$' 2>/dev/null | head -n1) && [ -n "$dialog" ]; }
# Ready: the white printer choice shows where the cream cover lies while the page is composed.
dialog_ready() {
  import -window "$dialog" "$work/probe.png" 2>/dev/null &&
    [ "$(convert "$work/probe.png" -format '%[pixel:p{150,135}]' info:)" = "srgb(255,255,255)" ]
}
printed() { [ -s "$out/job.pdf" ] && [ -z "$(lpstat -W not-completed -o)" ]; }

# Tabs are as wide as their captions, drawn with whatever the machine has: the print mode
# tab begins where the light face of the selected first tab ends (above its caption).
print_tab_x() {
  import -window "$main" "$work/tabs.png"
  convert "$work/tabs.png" -crop 600x1+0+12 txt:- |
    awk -F'[ ,:]+' 'NR > 1 && $1 > 20 && !/#F[0-9A-F]F[0-9A-F]F[0-9A-F]/ { print $1 + 40; exit }'
}

# A fontconfig set-up of its own: fonts from $2 only (none when empty).
fontconfig() {
  mkdir -p "$work/$1/fonts" "$work/$1/cache"
  [ -z "$2" ] || ln -sf "$2" "$work/$1/fonts/"
  cat >"$work/$1/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>$([ -z "$2" ] || echo "<dir>$work/$1/fonts</dir>")<cachedir>$work/$1/cache</cachedir></fontconfig>
CONF
  echo "$work/$1/fonts.conf"
}

for setup in ${VANTRELL_E2E_FONTS:-no-fonts dingbats-only}; do
  config=$(fontconfig "$setup" "$([ "$setup" = dingbats-only ] && echo "$dingbats" || true)")
  rm -f "$out"/*.pdf
  FONTCONFIG_FILE=$config e2e_start_game "$game" "$work/$setup.log"
  click "$main" "$(print_tab_x)" 22 # print mode
  pick Home 713 213     # "1 Field per Page", found without reading its text
  click "$main" 573 238 # "Prepare"
  wait_for 10 dialog_shown || { import -window root "$work/$setup-fail.png"; fail "$setup: the print dialog did not appear"; }
  wait_for 30 dialog_ready || fail "$setup: the print dialog did not become ready"
  import -window "$main" "$work/$setup-preview.png"
  click "$dialog" 240 135 # "Print"
  wait_for 20 printed || { import -window root "$work/$setup-fail.png"; fail "$setup: the page was not printed"; }
  cp "$out/job.pdf" "$work/$setup.pdf"
  "$reader" "$work/$setup.pdf" 40 || fail "$setup: the printed puzzle cannot be read"
  close_game_and_wm
done
echo "PASS"
