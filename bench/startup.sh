#!/usr/bin/env bash
# Start-up figures under Xvfb with a window manager: time from process start until the
# splash window and the main window are mapped (viewable, as the X server reports it to
# bench/map_probe, so no polling delay is added), and the resident memory 1.5 s after the
# main window shows. Median and p95 of N runs after one warm-up run.
#   bench/startup.sh <game> [runs]   (default 10; the probe is looked for next to the game's
#                                    build tree, or given as MAP_PROBE=<path>)
set -euo pipefail
game=$(realpath "$1")
runs=${2:-10}
probe=${MAP_PROBE:-$(dirname "$game")/../bench/map_probe}
[ -x "$probe" ] || { echo "No start-up probe at $probe (it needs libxcb1-dev at configure time)" >&2; exit 1; }

if [ -z "${VANTRELL_BENCH_INNER:-}" ]; then
  export VANTRELL_BENCH_INNER=1 MAP_PROBE=$probe
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$game" "$runs"
fi

openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null || true' EXIT
sleep 0.5

splash=() main=() rss=()
for run in $(seq 0 "$runs"); do
  kb=
  read -r s m kb < <("$probe" "Vantrell Sudoku 1.2" 1500 "$game") || true
  [ -n "${kb:-}" ] || { echo "run $run: the game's windows did not show" >&2; exit 1; }
  if [ "$run" -gt 0 ]; then
    splash+=("$s"); main+=("$m"); rss+=("$kb")
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
