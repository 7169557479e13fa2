#!/usr/bin/env bash
# What the game costs while the player only looks: the CPU time (user + system, from
# /proc/PID/stat) the real executable spends under Xvfb with openbox in N seconds, first with
# the main window open and no game, then in the same process with a game running and left
# untouched (the clock ticks every 50 ms). Target: at most 0.1 s in 30 s of a running game.
#   bench/idle_cpu.sh <game> [seconds] [runs]   (defaults 30 and 2)
set -euo pipefail
game=$(realpath "$1")
seconds=${2:-30}
runs=${3:-2}

if [ -z "${VANTRELL_BENCH_INNER:-}" ]; then
  export VANTRELL_BENCH_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$game" "$seconds" "$runs"
fi

openbox >/dev/null 2>&1 &
wm=$!
pid=
trap 'kill $wm ${pid:-} 2>/dev/null || true' EXIT
sleep 0.5

ticks_per_second=$(getconf CLK_TCK)
# utime and stime, fields 14 and 15 of /proc/PID/stat (after the command in parentheses).
cpu_ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$pid/stat"; }
cpu_seconds_over() {
  local before after
  before=$(cpu_ticks)
  sleep "$seconds"
  after=$(cpu_ticks)
  awk -v t=$((after - before)) -v hz="$ticks_per_second" 'BEGIN { printf "%.2f", t / hz }'
}
main_window() { xdotool search --all --onlyvisible --pid "$pid" --name '^Vantrell Sudoku 1\.2$' 2>/dev/null | head -n1; }

idle=() playing=()
for run in $(seq "$runs"); do
  "$game" >/dev/null 2>&1 &
  pid=$!
  main=
  for _ in $(seq 200); do main=$(main_window) && [ -n "$main" ] && break; sleep 0.05; done
  [ -n "$main" ] || { echo "run $run: the main window did not show" >&2; exit 1; }
  sleep 3 # the splash fades out, the start-up settles
  idle+=("$(cpu_seconds_over)")
  xdotool windowactivate --sync "$main"
  xdotool key F2
  sleep 8 # the puzzle is built (a classic board takes up to about 2 s here)
  playing+=("$(cpu_seconds_over)")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  pid=
done

echo "CPU time of the game left untouched for $seconds s under Xvfb with openbox ($(nproc) cores), $runs runs"
echo
echo "| state | CPU seconds per run |"
echo "|---|---|"
echo "| main window, no game | ${idle[*]} |"
echo "| a game running | ${playing[*]} |"
