#!/usr/bin/env bash
# Installs what is missing, builds the game and its tests in build/, and runs every test
# through CTest, headless. Extra arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/tools/setup.sh" "$root/build"
cd "$root/build"
ctest --output-on-failure -j "$(nproc 2>/dev/null || echo 2)" "$@"
