#!/usr/bin/env bash
# Runs a test program against a private CUPS scheduler, never the machine's printers:
# starts one in a fresh temporary directory, runs the program with CUPS_SERVER pointing at
# its socket, then stops it and removes the directory.
#   run-with-private-cupsd.sh <program> [arguments...]
# The program sees VANTRELL_TEST_CUPS_DIR (the scheduler's directory) when it runs, or
# VANTRELL_TEST_CUPS_UNAVAILABLE (the reason) when this machine cannot run a scheduler; then
# CUPS_SERVER points at a socket where nothing listens, so nothing can be printed.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[ "$#" -ge 1 ] || { echo "usage: run-with-private-cupsd.sh <program> [arguments...]" >&2; exit 2; }

# Short path: a unix socket path is limited to 107 bytes.
dir=$(mktemp -d /tmp/vantrell-cups.XXXXXX) || exit 1
cleanup() {
    "$here/stop-private-cupsd.sh" "$dir"
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 143' TERM INT
# Should this script be killed outright (a CTest time-out), a detached watcher still stops
# the scheduler once this script is gone.
setsid bash -c 'while kill -0 "$1" 2>/dev/null; do sleep 1; done
                "$2/stop-private-cupsd.sh" "$3"; rm -rf "$3"' _ $$ "$here" "$dir" \
    </dev/null >/dev/null 2>&1 &

# The user's own CUPS settings (default printer, server) must not reach the test.
unset LPDEST PRINTER CUPS_SERVER IPP_PORT
export HOME="$dir/home"
mkdir -p "$HOME"

"$here/start-private-cupsd.sh" "$dir"
rc=$?
case $rc in
0)
    export CUPS_SERVER="$dir/cups.sock"
    export VANTRELL_TEST_CUPS_DIR="$dir"
    ;;
77)
    export CUPS_SERVER="$dir/no-scheduler.sock"
    export VANTRELL_TEST_CUPS_UNAVAILABLE
    VANTRELL_TEST_CUPS_UNAVAILABLE=$(cat "$dir/unavailable")
    echo "Skipping real printing: $VANTRELL_TEST_CUPS_UNAVAILABLE" >&2
    ;;
*)
    echo "The private CUPS scheduler did not start (exit $rc)." >&2
    exit 1
    ;;
esac

"$@"
status=$?
if [ "$status" -ne 0 ] && [ -f "$dir/log/error_log" ]; then
    echo "--- private cupsd error_log (last 40 lines) ---" >&2
    tail -n 40 "$dir/log/error_log" >&2
fi
exit "$status"
