#!/usr/bin/env bash
# Every figure of the README in one run: generator, board clicks, print page, start-up,
# the idle game's CPU time, memory and the highscore service's load run. Run on a quiet
# machine after ./test.sh has built everything.
#   bench/run-all.sh [build-dir]   (default build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)

"$build/bench/generator" 200
echo
"$build/bench/play" 2000 2>/dev/null
echo
"$build/bench/print" 15 2>/dev/null
echo
"$root/bench/startup.sh" "$build/app/vantrell-sudoku" 10
echo
"$root/bench/idle_cpu.sh" "$build/app/vantrell-sudoku" 30 3
echo
echo "Memory through the real main window (offscreen), 100 games then a page of six classic puzzles"
echo
line=$(VANTRELL_SOAK_GAMES=100 VANTRELL_SOAK_PAGES=0 QT_QPA_PLATFORM=offscreen "$build/tests/soak/test_soak" 2>&1 |
       grep -o 'resident memory.*')
after100=$(sed -E 's/.*after 100 rounds ([0-9]+) kB.*/\1/' <<<"$line")
afterPage=$(sed -E 's/.*classic puzzles ([0-9]+) kB.*/\1/' <<<"$line")
echo "| figure | MB |"
echo "|---|---|"
printf '| resident memory after 100 games | %.1f |\n' "${after100}e-3"
printf '| resident memory after a 6-puzzle print page | %.1f |\n' "${afterPage}e-3"
echo
echo "Highscore service under load (wrk), beside nginx serving the same bytes"
echo
"$root/bench/highscores.sh" "$build"
echo
echo "Highscore service through nginx: one and two instances on PostgreSQL, one on SQLite"
echo
/usr/bin/python3 "$root/bench/highscores_nginx.py" "$build"
echo
echo "Highscore list at 10^4 to 10^7 entries, SQLite and PostgreSQL (about 40 minutes)"
echo
/usr/bin/python3 "$root/bench/highscores_scale.py" "$build"
