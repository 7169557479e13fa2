#!/usr/bin/env bash
# Runs the freedesktop validators on the desktop entry and the AppStream metainfo. Errors
# and warnings fail; pedantic hints are shown but do not.
#   validate_desktop_data.sh desktop <file.desktop>
#   validate_desktop_data.sh metainfo <file.metainfo.xml>
set -uo pipefail
kind=$1
file=$2

case "$kind" in
  desktop)
    command -v desktop-file-validate >/dev/null || { echo "SKIP: desktop-file-validate is not installed"; exit 77; }
    out=$(desktop-file-validate "$file" 2>&1); code=$?
    echo "$out"
    # It exits 0 on warnings; a warning here is still a fault of ours.
    if [ "$code" -ne 0 ] || grep -qiE '(error|warning):' <<<"$out"; then echo "FAIL: $file"; exit 1; fi
    ;;
  metainfo)
    command -v appstreamcli >/dev/null || { echo "SKIP: appstreamcli is not installed"; exit 77; }
    # --strict fails on warnings and infos too, --pedantic only lists the hints.
    appstreamcli validate --no-net --strict --pedantic --explain "$file" || { echo "FAIL: $file"; exit 1; }
    ;;
  *)
    echo "usage: $0 desktop|metainfo <file>" >&2; exit 2 ;;
esac
echo "PASS"
