#!/usr/bin/env bash
# Starts a CUPS scheduler of our own in <dir>, separate from the machine's printing system:
# its own configuration, spool, logs and a unix socket <dir>/cups.sock, and file queues
# that keep each job's PDF unchanged: "vantrell-test" (the default) writes <dir>/out/job.pdf,
# "vantrell-second" <dir>/out/second.pdf and "vantrell-removable" <dir>/out/removable.pdf.
#   start-private-cupsd.sh <dir>
# Exit 0: running (pid in <dir>/cupsd.pid). Exit 77: this machine cannot run one (the
# reason is in <dir>/unavailable and on stderr). Any other exit: it should have started.
set -uo pipefail

dir=${1:?usage: start-private-cupsd.sh <dir>}
queue=vantrell-test
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
sock="$dir/cups.sock"

unavailable() {
    echo "$1" >"$dir/unavailable"
    echo "private CUPS scheduler unavailable: $1" >&2
    exit 77
}

# VANTRELL_TEST_CUPSD names another cupsd binary (a missing one shows how tests skip).
cupsd_bin=${VANTRELL_TEST_CUPSD:-$(command -v cupsd || true)}
[ -z "$cupsd_bin" ] && [ -x /usr/sbin/cupsd ] && cupsd_bin=/usr/sbin/cupsd
[ -x "$cupsd_bin" ] || unavailable "no cupsd binary (Debian package cups-daemon)"
for tool in lpadmin lpstat; do
    command -v "$tool" >/dev/null 2>&1 || unavailable "no $tool (Debian package cups-client)"
done
serverbin=/usr/lib/cups
datadir=/usr/share/cups
[ -d "$serverbin" ] || unavailable "no CUPS server directory $serverbin"

# A unix socket path is limited to 107 bytes.
[ "${#sock}" -lt 100 ] || unavailable "socket path too long: $sock"

mkdir -p "$dir"/{etc/ppd,etc/ssl,spool/tmp,cache,state/certs,log,out}
chmod 0755 "$dir" "$dir/out"
chmod 1777 "$dir/spool/tmp"

if [ "$(id -u)" -eq 0 ]; then
    # Filters run as lp; they only need to read the spool.
    run_user=lp
    run_group=lp
    getent passwd lp >/dev/null || { run_user=daemon; run_group=daemon; }
    chown -R "$run_user" "$dir/spool" "$dir/cache" 2>/dev/null || true
else
    run_user=$(id -un)
    run_group=$(id -gn)
fi

cat >"$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ServerBin $serverbin
DataDir $datadir
DocumentRoot $datadir/doc-root
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
Printcap $dir/printcap
FileDevice Yes
User $run_user
Group $run_group
SystemGroup $(id -gn)
ConfigFilePerm 0644
LogFilePerm 0644
Sandboxing Relaxed
CONF

cat >"$dir/etc/cupsd.conf" <<CONF
Listen $sock
LogLevel info
MaxLogSize 0
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultAuthType None
IdleExitTimeout 0
PreserveJobHistory Yes
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
    Allow all
  </Limit>
</Policy>
CONF

if ! "$cupsd_bin" -t -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" >"$dir/log/config-test" 2>&1; then
    cat "$dir/log/config-test" >&2
    [ "$(id -u)" -eq 0 ] || unavailable "cupsd rejects its configuration when run as $(id -un)"
    exit 1
fi

# -f keeps it in the foreground of this background job, so its pid is ours to stop.
"$cupsd_bin" -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" \
    >"$dir/log/cupsd.out" 2>&1 </dev/null &
pid=$!
echo "$pid" >"$dir/cupsd.pid"

export CUPS_SERVER="$sock"
unset LPDEST PRINTER
for _ in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
        cat "$dir/log/cupsd.out" "$dir/log/error_log" 2>/dev/null >&2
        rm -f "$dir/cupsd.pid"
        [ "$(id -u)" -eq 0 ] || unavailable "cupsd exited at start when run as $(id -un)"
        echo "private cupsd exited at start" >&2
        exit 1
    fi
    [ -S "$sock" ] && lpstat -r >/dev/null 2>&1 && break
    sleep 0.1
done
if ! lpstat -r >/dev/null 2>&1; then
    cat "$dir/log/error_log" 2>/dev/null >&2
    kill "$pid" 2>/dev/null
    rm -f "$dir/cupsd.pid"
    [ "$(id -u)" -eq 0 ] || unavailable "cupsd did not answer on $sock"
    echo "private cupsd did not answer on $sock" >&2
    exit 1
fi

# The PPD gives a fixed page and a pass-through filter: a queue without filters would
# never open its device file. A second queue lets tests tell where a job went, and a third
# one may be removed by a test.
add_queue() {
    lpadmin -p "$1" -E -v "file://$dir/out/$2" -P "$here/vantrell-test.ppd" >>"$dir/log/lpadmin.out" 2>&1
}
if ! add_queue "$queue" job.pdf || ! add_queue vantrell-second second.pdf \
    || ! add_queue vantrell-removable removable.pdf \
    || ! lpadmin -d "$queue" >>"$dir/log/lpadmin.out" 2>&1; then
    cat "$dir/log/lpadmin.out" "$dir/log/error_log" 2>/dev/null >&2
    kill "$pid" 2>/dev/null
    rm -f "$dir/cupsd.pid"
    echo "could not create the test queues" >&2
    exit 1
fi
exit 0
