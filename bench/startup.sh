#!/usr/bin/env bash
# Start-up figures under Xvfb with a window manager: time from process start until the
# splash window and the main window are mapped, and the resident memory once the main
# window shows. Median of N runs after one warm-up run.
#   bench/startup.sh <game> [runs]   (default 10)
set -euo pipefail
game=$1
runs=${2:-10}

if [ -z "${VANTRELL_BENCH_INNER:-}" ]; then
  export VANTRELL_BENCH_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null || true' EXIT
sleep 0.5

now() { date +%s%N; }
splash=() main=() rss=()
for run in $(seq 0 "$runs"); do
  start=$(now)
  "$game" >/dev/null 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1; do :; done
  t_splash=$(( ($(now) - start) / 1000 ))
  until win=$(xdotool search --onlyvisible --name '^Vantrell Sudoku 1\.2$' 2>/dev/null | head -n1) && [ -n "$win" ]; do :; done
  t_main=$(( ($(now) - start) / 1000 ))
  sleep 1.5
  kb=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
  wmctrl -i -c "$win"
  wait "$pid" || true
  if [ "$run" -gt 0 ]; then
    splash+=("$t_splash"); main+=("$t_main"); rss+=("$kb")
  fi
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
p95() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {i=int(NR*0.95+0.999); if(i<1)i=1; print a[i]}'; }
echo "Start-up under Xvfb with openbox ($(nproc) cores), $runs runs after a warm-up"
echo
echo "| figure | median | p95 |"
echo "|---|---|---|"
printf '| splash window mapped after start (ms) | %.1f | %.1f |\n' "$(median "${splash[@]}")e-3" "$(p95 "${splash[@]}")e-3"
printf '| main window mapped after start (ms) | %.1f | %.1f |\n' "$(median "${main[@]}")e-3" "$(p95 "${main[@]}")e-3"
printf '| resident memory after start-up (MB) | %.1f | %.1f |\n' "$(median "${rss[@]}")e-3" "$(p95 "${rss[@]}")e-3"
