#!/usr/bin/env bash
# Shared set-up of ./run.sh and ./test.sh: installs the Debian packages the game needs to
# build, run and be tested, then configures and builds it. Quick when nothing changed.
#   tools/setup.sh <build-dir> [extra cmake arguments...]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-"$root/build"}
shift || true

packages=(
  cmake g++ make pkg-config
  qt6-base-dev libjpeg62-turbo-dev libxcb1-dev
  xvfb xauth openbox xdotool wmctrl x11-utils x11-xserver-utils imagemagick
  fonts-urw-base35 fonts-dejavu-core
  cups cups-client cups-bsd libcups2-dev printer-driver-cups-pdf poppler-utils python3
  clang libclang-rt-14-dev
  desktop-file-utils appstream dpkg-dev file
  dbus dbus-bin at-spi2-core python3-pyatspi python3-gi
  nlohmann-json3-dev libsqlite3-dev libpq-dev postgresql libboost1.81-dev
  python3 chromium chromium-driver python3-selenium xdg-utils
  systemd nginx-light openssl wrk
  prometheus python3-prometheus-client
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  if ! command -v apt-get >/dev/null 2>&1; then
    echo "This set-up needs Debian's apt-get to install: ${missing[*]}" >&2
    echo "Install the equivalent packages with your system's package manager (Qt 6 Widgets and" >&2
    echo "PrintSupport development files, libjpeg, CMake, a C++20 compiler), then run again." >&2
    exit 1
  fi
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 || { echo "Missing packages (${missing[*]}) and no sudo to install them." >&2; exit 1; }
    sudo=(sudo)
  fi
  echo "Installing missing packages: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

jobs=$(nproc 2>/dev/null || echo 2)
if [ ! -f "$build_dir/CMakeCache.txt" ] || [ "$#" -gt 0 ]; then
  cmake -S "$root" -B "$build_dir" "$@" >/dev/null
fi
log="$build_dir/build.log"
if ! cmake --build "$build_dir" -j "$jobs" >"$log" 2>&1; then
  cat "$log" >&2
  echo "Build failed (log: $log)." >&2
  exit 1
fi
grep -E 'warning:' "$log" >&2 || true
