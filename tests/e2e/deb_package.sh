#!/usr/bin/env bash
# End-to-end: packs the build tree into the Debian package, unpacks it into a scratch root
# and checks what a desktop would see: the game in bin, the desktop entry, the icons and
# the metainfo at their standard places and pointing at each other, dependencies found by
# dpkg-shlibdeps. Then starts the unpacked game under Xvfb with a window manager, waits
# for its main window and closes it: the game must end with exit code 0.
#   deb_package.sh <cpack> <build-dir> <work-dir> <version>
set -euo pipefail

if [ "${1:-}" = --launch ]; then
  # Inner part, under xvfb-run: deb_package.sh --launch <game> <work-dir> <version>
  game=$2 work=$3 version=$4
  openbox >/dev/null 2>&1 &
  wm=$!
  trap 'kill $wm 2>/dev/null || true; [ -z "${pid:-}" ] || kill $pid 2>/dev/null || true' EXIT
  sleep 0.5

  # From the scratch folder and without the build tree in any search path.
  (cd "$work" && exec env -u LD_LIBRARY_PATH "$game") >"$work/game.log" 2>&1 &
  pid=$!

  title="^Vantrell Sudoku ${version//./\\.}\$"
  main=
  for _ in $(seq 1 500); do # 20 s
    main=$(xdotool search --all --onlyvisible --pid "$pid" --name "$title" 2>/dev/null | head -n1) || true
    [ -n "$main" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.04
  done
  if [ -z "$main" ]; then
    echo "FAIL: the installed game showed no window titled 'Vantrell Sudoku $version'"
    cat "$work/game.log"
    exit 1
  fi
  echo "main window $main of the installed game is shown"

  wmctrl -i -c "$main"
  for _ in $(seq 1 250); do # 5 s
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.02
  done
  kill -0 "$pid" 2>/dev/null && { echo "FAIL: the game did not end after its main window was closed"; exit 1; }
  set +e
  wait "$pid"
  code=$?
  set -e
  pid=
  [ "$code" -eq 0 ] || { echo "FAIL: exit code $code"; cat "$work/game.log"; exit 1; }
  echo "closed, exit code 0"
  exit 0
fi

cpack=$1 build=$2 work=$3 version=$4
for tool in "$cpack" dpkg-deb dpkg xvfb-run; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
# shellcheck source=package_lib.sh
source "$(dirname "$0")/package_lib.sh"
build_package "$cpack" "$build" "$work" vantrell-sudoku "$version" -D CPACK_COMPONENTS_ALL=game

# The control fields.
info=$(dpkg-deb -I "$deb")
[ "$(field Package)" = vantrell-sudoku ] || fail "package name $(field Package)"
[ "$(field Version)" = "${version}-1" ] || fail "version $(field Version)"
[ "$(field Section)" = games ] || fail "section $(field Section)"
[[ "$(field Maintainer)" =~ ^Vantrell\ Media\ \<[^@\>]+@[^@\>]+\>$ ]] || fail "maintainer $(field Maintainer)"
[ -n "$(field Description)" ] || fail "no description"
depends=$(field Depends)
echo "Depends: $depends"
dep_names=$(tr ',|' '\n' <<<"$depends" | sed -E 's/^ *([^ (]+).*/\1/')
# The game prints through libcups where the build found it, through Qt's print support otherwise.
printing=libqt6printsupport6
grep -q '^VANTRELL_USE_CUPS:BOOL=ON$' "$build/CMakeCache.txt" && printing='libcups2(t64)?'
for lib in libqt6core6 libqt6gui6 libqt6widgets6 "$printing" libc6 libstdc\\+\\+6 'libjpeg[-0-9a-z.]*'; do
  grep -qxE "$lib" <<<"$dep_names" || { echo "$info"; fail "Depends lacks $lib"; }
done
! grep -qE -- '-dev$' <<<"$dep_names" || fail "Depends names development packages"

# Exactly these files: the game, its desktop data and a license notice, nothing from the
# tests, tools or library.
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
expected=$(sort <<'LIST'
./usr/bin/vantrell-sudoku
./usr/share/applications/vantrell-sudoku.desktop
./usr/share/doc/vantrell-sudoku/glyph-outlines-license
./usr/share/icons/hicolor/128x128/apps/vantrell-sudoku.png
./usr/share/icons/hicolor/256x256/apps/vantrell-sudoku.png
./usr/share/icons/hicolor/48x48/apps/vantrell-sudoku.png
./usr/share/metainfo/com.vantrell_media.sudoku.metainfo.xml
LIST
)
[ "$files" = "$expected" ] || { diff <(echo "$expected") <(echo "$files") || true; fail "the package holds other files than expected"; }
dpkg-deb -c "$deb" | awk '$6 == "./usr/bin/vantrell-sudoku" && $1 != "-rwxr-xr-x" { exit 1 }' \
  || fail "the game is not installed with mode 755"

root="$work/root"
dpkg-deb -x "$deb" "$root"
game="$root/usr/bin/vantrell-sudoku"
if command -v readelf >/dev/null; then
  ! readelf -d "$game" | grep -qE 'R(UN)?PATH' || fail "the installed game carries a run path: $(readelf -d "$game" | grep -E 'R(UN)?PATH')"
fi

# The icons: PNG files of their folder's size (width and height from the IHDR chunk).
for size in 48 128 256; do
  icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/vantrell-sudoku.png"
  [ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$icon is not a PNG"
  read -r w h < <(od -An -tu1 -j16 -N8 "$icon" | awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
  [ "$w $h" = "$size $size" ] || fail "icon for ${size}x${size} is ${w}x${h}"
done

# The desktop entry starts the installed game and names the installed icon.
desktop="$root/usr/share/applications/vantrell-sudoku.desktop"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[ -x "$root/usr/bin/${exec_line%% *}" ] || fail "Exec=$exec_line is not the installed game"
[ "$icon_name" = vantrell-sudoku ] || fail "Icon=$icon_name does not name the installed icons"

# The metainfo: placeholders filled, launchable is this desktop entry, release is this version.
metainfo="$root/usr/share/metainfo/com.vantrell_media.sudoku.metainfo.xml"
! grep -q '@[A-Z_]*@' "$metainfo" || fail "unconfigured placeholders in the metainfo"
grep -q '<id>com.vantrell_media.sudoku</id>' "$metainfo" || fail "metainfo id does not match its file name"
grep -q '<launchable type="desktop-id">vantrell-sudoku.desktop</launchable>' "$metainfo" \
  || fail "metainfo does not launch vantrell-sudoku.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"
grep -qE '<url type="homepage">https://[a-z0-9.-]+\.[a-z]+/</url>' "$metainfo" || fail "metainfo homepage is not an address"

echo "installed layout:"
(cd "$root" && find . -mindepth 1 | sort)

# Only the unpacked game from here on.
VANTRELL_E2E_INNER=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --launch "$game" "$work" "$version"
echo "PASS"
