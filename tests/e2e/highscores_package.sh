#!/usr/bin/env bash
# The highscore service's Debian package, built from this tree and unpacked into a scratch
# root: its control fields (no Qt Gui or Widgets, no development packages), exactly its files,
# maintainer scripts that parse, the blocked names kept as a configuration file, a systemd
# unit that systemd-analyze accepts with its hardening in place, an nginx site that nginx
# accepts, and the unpacked service answering.
#   highscores_package.sh <cpack> <build-dir> <work-dir> <version>
set -euo pipefail
cpack=$1 build=$2 work=$3 version=$4
here=$(cd "$(dirname "$0")" && pwd)
for tool in "$cpack" dpkg-deb systemd-analyze nginx openssl; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
# shellcheck source=package_lib.sh
source "$here/package_lib.sh"
build_package "$cpack" "$build" "$work" vantrell-sudoku-highscores "$version" -D CPACK_COMPONENTS_ALL=highscores

[ "$(field Package)" = vantrell-sudoku-highscores ] || fail "package name $(field Package)"
[ "$(field Version)" = "${version}-1" ] || fail "version $(field Version)"
[ "$(field Section)" = web ] || fail "section $(field Section)"
[ "$(field Description | head -n1)" = "Highscore list service for Vantrell Sudoku" ] || fail "summary $(field Description | head -n1)"
depends=$(field Depends)
echo "Depends: $depends"
dep_names=$(tr ',|' '\n' <<<"$depends" | sed -E 's/^ *([^ (]+).*/\1/')
for lib in libc6 'libstdc\+\+6' libqt6core6 libsqlite3-0 libpq5; do
  grep -qxE "$lib" <<<"$dep_names" || fail "Depends lacks $lib"
done
! grep -qE -- '-dev$|^libqt6(gui|widgets|printsupport)6$|^libjpeg|^libcups' <<<"$dep_names" \
  || fail "Depends names more than the service needs"

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $6 }' | sort)
expected=$(sort <<'LIST'
-rw-r--r-- ./etc/vantrell-highscores/blocked-names
-rw-r--r-- ./usr/lib/systemd/system/vantrell-highscores.service
-rw-r--r-- ./usr/share/doc/vantrell-sudoku-highscores/examples/nginx-site.conf
-rwxr-xr-x ./usr/bin/vantrell-highscores
LIST
)
[ "$files" = "$expected" ] || { diff <(echo "$expected") <(echo "$files") || true; fail "the package holds other files than expected"; }

dpkg-deb -e "$deb" "$work/control"
for script in postinst prerm postrm; do
  [ -x "$work/control/$script" ] || fail "no executable $script"
  sh -n "$work/control/$script" || fail "$script does not parse"
done
# An upgrade keeps the operator's blocked names.
[ "$(cat "$work/control/conffiles")" = /etc/vantrell-highscores/blocked-names ] || fail "conffiles: $(cat "$work/control/conffiles")"

root="$work/root"
dpkg-deb -x "$deb" "$root"
unit="$root/usr/lib/systemd/system/vantrell-highscores.service"
# verify checks the unit against the units it names (sysinit.target and the like) and the
# programs it runs: the machine's own go into the scratch root beside it, without replacing it.
cp -an /lib/systemd/system/. "$root/usr/lib/systemd/system/"
install -D /bin/kill "$root/bin/kill" # the unit's ExecReload
systemd-analyze verify --root="$root" "$unit" || fail "systemd-analyze verify refuses the unit"
for setting in DynamicUser=yes StateDirectory=vantrell-highscores NoNewPrivileges=yes ProtectSystem=strict \
               ProtectHome=yes PrivateTmp=yes 'CapabilityBoundingSet=' 'ExecStart=/usr/bin/vantrell-highscores .* --blocked-names /etc/vantrell-highscores/blocked-names'; do
  grep -q "^$setting" "$unit" || fail "the unit lacks $setting"
done
exposure=$(systemd-analyze security --offline=yes --root="$root" "$unit" 2>/dev/null |
           sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p')
echo "systemd exposure level: $exposure"
awk -v e="$exposure" 'BEGIN { exit !(e != "" && e <= 2.0) }' || fail "exposure level $exposure is above 2.0"

# The nginx site, with a throw-away certificate in place of the system's.
mkdir -p "$work/nginx"
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=www.example.org \
  -keyout "$work/nginx/key.pem" -out "$work/nginx/cert.pem" 2>/dev/null
sed -e "s#/etc/ssl/certs/ssl-cert-snakeoil.pem#$work/nginx/cert.pem#" \
    -e "s#/etc/ssl/private/ssl-cert-snakeoil.key#$work/nginx/key.pem#" \
    "$root/usr/share/doc/vantrell-sudoku-highscores/examples/nginx-site.conf" >"$work/nginx/site.conf"
cat >"$work/nginx/nginx.conf" <<CONF
pid $work/nginx/nginx.pid;
error_log stderr;
events {}
http {
    access_log off;
    include $work/nginx/site.conf;
}
CONF
nginx -t -q -p "$work/nginx" -c "$work/nginx/nginx.conf" || fail "nginx refuses the site example"

# The unpacked service answers, started as the unit starts it (its files under the unpacked
# root, any free port), with its list where systemd's StateDirectory would be.
[ "$("$root/usr/bin/vantrell-highscores" --version)" = "vantrell-highscores $version" ] || fail "--version"
mkdir -p "$work/state"
STATE_DIRECTORY="$work/state" /usr/bin/python3 - "$root" "$unit" "$work/run" <<'PY' || fail "the unpacked service does not answer"
import os, re, shlex, signal, subprocess, sys, time, urllib.request
root, unit = sys.argv[1], sys.argv[2]
line = next(l for l in open(unit) if l.startswith("ExecStart="))
args = [root + a if a.startswith(("/usr/", "/etc/")) else a for a in shlex.split(line[len("ExecStart="):])]
args[args.index("--listen") + 1] = "127.0.0.1:0"
process = subprocess.Popen(args, cwd=os.path.dirname(sys.argv[3]), stderr=subprocess.PIPE, text=True)
port = re.search(r":(\d+), database", process.stderr.readline()).group(1)
body = urllib.request.urlopen("http://127.0.0.1:%s/healthz" % port, timeout=10).read()
process.send_signal(signal.SIGTERM)
process.communicate(timeout=20)
sys.exit(0 if body == b"ok\n" and process.returncode == 0 and os.path.exists(os.environ["STATE_DIRECTORY"] + "/highscores.db") else 1)
PY
echo "PASS"
