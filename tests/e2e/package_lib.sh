# Shared steps of the package tests: sourced, not run.
#   build_package <cpack> <build-dir> <work-dir> <package> <version> [cpack arguments...]
#       empties work-dir, packs the build tree into work-dir/cpack and sets deb to the
#       file of the named package (a failure ends the test)

fail() { echo "FAIL: $*"; exit 1; }

field() { dpkg-deb -f "$deb" "$1"; }

build_package() {
  local cpack=$1 build=$2 work=$3 package=$4 version=$5
  shift 5
  rm -rf "$work"
  mkdir -p "$work"
  deb="$work/cpack/${package}_${version}-1_$(dpkg --print-architecture).deb"
  "$cpack" --config "$build/CPackConfig.cmake" -B "$work/cpack" "$@" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; fail "cpack did not build the package"; }
  [ -f "$deb" ] || { ls -l "$work/cpack"; fail "no package named $(basename "$deb")"; }
  echo "built $(basename "$deb")"
}
