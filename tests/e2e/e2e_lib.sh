# Shared steps of the end-to-end scripts: sourced, not run.
#   e2e_under_xvfb "$@"  takes <game> <work-dir> as game and work, makes the work folder and
#                        re-runs the calling script under Xvfb (exit 77 without the tools)
#   e2e_with_a11y_bus "$@"  re-runs the calling script (inside e2e_under_xvfb) in a private
#                        D-Bus session with the accessibility bus switched on, as a screen
#                        reader switches it on (exit 77 without the tools); reader then runs
#                        atspi_game.py, which reads the game over that bus
#   e2e_launch           starts openbox and the game; sets wm and pid
#   e2e_start_game       the same, then waits for the main window; sets main as well

e2e_under_xvfb() {
  game=$1
  work=$2
  mkdir -p "$work"
  local tool
  for tool in xvfb-run openbox xdotool wmctrl xprop import convert; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
  if [ -z "${VANTRELL_E2E_INNER:-}" ]; then
    export VANTRELL_E2E_INNER=1
    # -noreset: a setting made before the first lasting client (a key map) stays.
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
  fi
}

e2e_with_a11y_bus() {
  local tool
  for tool in dbus-run-session dbus-send /usr/libexec/at-spi-bus-launcher /usr/libexec/at-spi2-registryd; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
  /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIP: python3-pyatspi is not installed"; exit 77; }
  if [ -z "${VANTRELL_E2E_A11Y:-}" ]; then
    export VANTRELL_E2E_A11Y=1
    exec dbus-run-session -- "$0" "$@"
  fi
  # The first call starts the bus launcher through D-Bus activation.
  local i
  for i in $(seq 100); do
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1 && break
    sleep 0.05
  done
  dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set \
    string:org.a11y.Status string:IsEnabled variant:boolean:true >/dev/null || fail "the accessibility bus did not start"
  reader="/usr/bin/python3 $(dirname "${BASH_SOURCE[0]}")/atspi_game.py"
}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# scaled <seconds>: a time limit stretched by VANTRELL_TEST_TIME_SCALE (a whole number,
# default 1), which the sanitizer build sets: its game runs several times slower.
scaled() { awk -v s="$1" -v k="${VANTRELL_TEST_TIME_SCALE:-1}" 'BEGIN { printf "%.3f\n", s * k }'; }
scaled_ms() { echo $(( $1 * ${VANTRELL_TEST_TIME_SCALE:-1} )); }

# wait_for <seconds> <command...>: polls every 20 ms until the command succeeds; the
# seconds may have a fraction (0.3).
wait_for() {
  local whole=${1%%.*} fraction=${1#*.}
  [ "$fraction" = "$1" ] && fraction=0
  fraction=${fraction}000
  local deadline=$(( $(date +%s%N) + whole * 1000000000 + 10#${fraction:0:3} * 1000000 )); shift
  while [ "$(date +%s%N)" -lt "$deadline" ]; do
    "$@" && return 0
    sleep 0.02
  done
  return 1
}

fail() { echo "FAIL: $*"; exit 1; }

# The first mapped window of the game whose caption is exactly $1.
window_named() { xdotool search --all --onlyvisible --pid "$pid" --name "^$1\$" 2>/dev/null | head -n1; }
shown() { [ -n "$(window_named "$1")" ]; }
gone() { [ -z "$(window_named "$1")" ]; }
process_ended() { ! kill -0 "$pid" 2>/dev/null; }

# Processes of a script's own (an xprop -spy, say) that end with it, besides openbox and the game.
also_kill=()
e2e_cleanup() {
  local p
  for p in "${wm:-}" "${pid:-}" "${also_kill[@]}"; do
    [ -n "$p" ] && kill "$p" 2>/dev/null || true
  done
}

e2e_launch() { # <game> <log>
  openbox >/dev/null 2>&1 &
  wm=$!
  trap e2e_cleanup EXIT
  sleep 0.5
  "$1" >"$2" 2>&1 &
  pid=$!
}

e2e_start_game() { # <game> <log> [now]: without "now" it returns once the splash is gone
  e2e_launch "$1" "$2"
  wait_for 10 shown 'Vantrell Sudoku 1\.2' || fail "the main window did not appear"
  main=$(window_named 'Vantrell Sudoku 1\.2')
  [ "${3:-}" = now ] || sleep 1.5 # the splash fades out over the main window
}

# click <window> <x> <y>: a left click at client coordinates of the window.
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.15; }

# Picks the first (Home) or last (End) entry of a combo box whose arrow is at x, y.
pick() { click "$main" "$2" "$3"; sleep 0.2; xdotool key "$1" Return; sleep 0.2; }

# Whether the window asks the window manager for no caption buttons: its Motif hints give
# both the functions and the decorations (flags 1 and 2), the functions without all (1),
# minimise (8), maximise (16) or close (32), the decorations with the title (8) but without
# all (1), menu (16), minimise (32) or maximise (64). (openbox keeps a close and a minimise
# button all the same; the windows must cope with those.)
no_caption_buttons_asked() {
  local hints flags functions decorations
  hints=$(xprop -id "$1" _MOTIF_WM_HINTS)
  echo "Motif hints of $1: ${hints#*= }; allowed: $(xprop -id "$1" _NET_WM_ALLOWED_ACTIONS | sed 's/.*= //')"
  IFS=', ' read -r flags functions decorations _ <<<"${hints#*= }"
  [[ $flags =~ ^0x ]] || return 1
  (( (flags & 3) == 3 && !(functions & (1 | 8 | 16 | 32)) && (decorations & (1 | 8 | 16 | 32 | 64)) == 8 ))
}

# Whether the window tells the window manager that its size is fixed: the same minimum
# and maximum in its size hints, so that no maximise is offered.
fixed_size_told() {
  local hints minimum maximum
  hints=$(xprop -id "$1" WM_NORMAL_HINTS)
  minimum=$(sed -n 's/.*minimum size: //p' <<<"$hints")
  maximum=$(sed -n 's/.*maximum size: //p' <<<"$hints")
  echo "size hints of $1: minimum ${minimum:-none}, maximum ${maximum:-none}"
  [ -n "$minimum" ] && [ "$minimum" = "$maximum" ] &&
    ! xprop -id "$1" _NET_WM_ALLOWED_ACTIONS | grep -q MAXIMIZE
}

# Closes the main window the window manager's way; the game ends cleanly, and then the
# window manager goes too, so that the next game in the same script starts afresh.
close_game_and_wm() {
  wmctrl -i -c "$main"
  ends_cleanly_within_a_second "$(now_ms)"
  kill "$wm" 2>/dev/null || true
  wait "$wm" 2>/dev/null || true
}

# The program ends within a second with exit code 0 and leaves no window behind.
ends_cleanly_within_a_second() {
  local closed=$1
  wait_for "$(scaled 1)" process_ended || {
    echo "windows left: $(wmctrl -l | tr '\n' ';')"
    fail "the game did not end within a second of closing its window"
  }
  set +e
  wait "$pid"
  local code=$?
  set -e
  echo "ended after $(( $(now_ms) - closed )) ms with exit code $code"
  [ "$code" -eq 0 ] || fail "exit code $code"
}
