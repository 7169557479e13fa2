#!/usr/bin/env bash
# Stops the scheduler that start-private-cupsd.sh started in <dir>.
#   stop-private-cupsd.sh <dir>
set -u
dir=${1:?usage: stop-private-cupsd.sh <dir>}
pidfile="$dir/cupsd.pid"
[ -f "$pidfile" ] || exit 0
pid=$(cat "$pidfile")
if kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid"
    for _ in $(seq 1 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && kill -KILL "$pid"
fi
rm -f "$pidfile"
exit 0
