#!/usr/bin/env bash
# Load run of the highscore service with wrk, side by side with nginx serving the same answer
# bytes as static files in the same run: the list API and the list page with 10,000 entries
# at 1 and 64 connections, then submissions of distinct genuine codes at 1, 16 and 64
# connections (--rate-limit 0), and the resident memory of the idle service.
#   bench/highscores.sh [build-dir] [seconds per run, default 10] [another vantrell-highscores]
# With another executable (an older build, say), its list runs stand in the same table, on a
# copy of the same database.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
seconds=${2:-10}
other_bin=${3:-}
service_bin="$build/server/vantrell-highscores"
make_codes="$build/tests/server/make_codes"
for tool in wrk nginx "$service_bin" "$make_codes"; do
  command -v "$tool" >/dev/null || { echo "bench/highscores.sh: $tool is missing (tools/setup.sh, then a build)" >&2; exit 1; }
done

work=$(mktemp -d /tmp/vantrell-bench.XXXXXX)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

# start_service <name> [options]: sets port; the log is $work/<name>.log
start_service() {
  local name=$1; shift
  "${bin:-$service_bin}" --listen 127.0.0.1:0 --database "sqlite:$work/$name.db" --rate-limit 0 "$@" 2>"$work/$name.log" &
  service_pid=$!
  pids+=("$service_pid")
  for _ in $(seq 1 200); do
    port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\),.*/\1/p' "$work/$name.log")
    [ -n "$port" ] && return 0
    sleep 0.05
  done
  echo "the service did not start" >&2; cat "$work/$name.log" >&2; exit 1
}
rss_kb() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status"; }

# ---- the list with 10,000 entries
"$make_codes" 10000 1 >"$work/seed-codes"
start_service list
list_port=$port list_pid=$service_pid
/usr/bin/python3 - "$list_port" "$work/seed-codes" <<'PY'
import http.client, json, sys, threading
port, codes = int(sys.argv[1]), [l.split()[0] for l in open(sys.argv[2])]
def post(share):
    c = http.client.HTTPConnection("127.0.0.1", port)
    for i, code in enumerate(share):
        c.request("POST", "/api/v1/highscores", json.dumps({"name": "Player %d" % i, "code": code}),
                  {"Content-Type": "application/json"})
        r = c.getresponse(); r.read()
        assert r.status == 201, r.status
threads = [threading.Thread(target=post, args=(codes[k::16],)) for k in range(16)]
[t.start() for t in threads]; [t.join() for t in threads]
PY
sleep 2
rss_seeded=$(rss_kb "$list_pid")
if [ -n "$other_bin" ]; then
  cp "$work/list.db" "$work/other.db"
  [ ! -e "$work/list.db-wal" ] || cp "$work/list.db-wal" "$work/other.db-wal"
  bin=$other_bin start_service other
  other_port=$port
fi

api_path="/api/v1/highscores?type=9&limit=20&offset=0"
page_path="/index.php?ziel=medsudokuhighscore"
mkdir -p "$work/static"
/usr/bin/python3 - "$list_port" "$api_path" "$page_path" "$work/static" <<'PY'
import http.client, sys
port, api, page, out = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
for path, name in ((api, "list.json"), (page, "list.html")):
    c = http.client.HTTPConnection("127.0.0.1", port)
    c.request("GET", path)
    open(out + "/" + name, "wb").write(c.getresponse().read())
PY

# nginx, private and unprivileged in the same way: the same bytes from files.
mkdir -p "$work/nginx/logs"
nginx_port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat >"$work/nginx/nginx.conf" <<CONF
daemon off;
worker_processes auto;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log;
events { worker_connections 1024; }
http {
    access_log off;
    keepalive_requests 1000000;
    server {
        listen 127.0.0.1:$nginx_port;
        root $work/static;
        location = /list.json { default_type application/json; }
        location = /list.html { default_type "text/html; charset=utf-8"; }
    }
}
CONF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -g "user $(id -un);" &
pids+=($!)
sleep 0.5

# run <connections> <url> [wrk arguments]: "requests/s p50 p99" (latencies in ms)
run() {
  local connections=$1 url=$2; shift 2
  local threads=$(( connections < 2 ? 1 : 2 ))
  wrk -t "$threads" -c "$connections" -d "${seconds}s" --latency "$@" "$url" >"$work/wrk.out" 2>&1
  /usr/bin/python3 - "$work/wrk.out" <<'PY'
import re, sys
text = open(sys.argv[1]).read()
def ms(v, unit):
    return float(v) * {"us": 0.001, "ms": 1, "s": 1000}[unit]
rps = float(re.search(r"Requests/sec:\s+([\d.]+)", text).group(1))
p = {m.group(1): ms(m.group(2), m.group(3)) for m in re.finditer(r"^\s+(50|99)%\s+([\d.]+)(us|ms|s)", text, re.M)}
errors = re.search(r"Non-2xx or 3xx responses: (\d+)", text)
print("%.0f %.2f %.2f %s" % (rps, p["50"], p["99"], errors.group(1) if errors else "0"))
PY
}

echo "| load | connections | server | requests/s | p50 ms | p99 ms | ratio to nginx |"
echo "|---|---|---|---|---|---|---|"
for what in api page; do
  if [ "$what" = api ]; then path=$api_path file=/list.json label="list API (JSON, $(stat -c %s "$work/static/list.json") bytes)"
  else path=$page_path file=/list.html label="list page (HTML, $(stat -c %s "$work/static/list.html") bytes)"; fi
  for c in 1 64; do
    read -r s_rps s_p50 s_p99 s_bad < <(run "$c" "http://127.0.0.1:$list_port$path")
    read -r n_rps n_p50 n_p99 n_bad < <(run "$c" "http://127.0.0.1:$nginx_port$file")
    [ "$s_bad$n_bad" = 00 ] || echo "non-2xx answers: service $s_bad, nginx $n_bad" >&2
    ratio=$(awk -v a="$s_rps" -v b="$n_rps" 'BEGIN { printf "%.2f", a / b }')
    echo "| $label | $c | vantrell-highscores | $s_rps | $s_p50 | $s_p99 | $ratio |"
    if [ -n "$other_bin" ]; then
      read -r o_rps o_p50 o_p99 o_bad < <(run "$c" "http://127.0.0.1:$other_port$path")
      [ "$o_bad" = 0 ] || echo "non-2xx answers: other service $o_bad" >&2
      ratio=$(awk -v a="$o_rps" -v b="$n_rps" 'BEGIN { printf "%.2f", a / b }')
      echo "| $label | $c | $(basename "$other_bin") (other build) | $o_rps | $o_p50 | $o_p99 | $ratio |"
    fi
    echo "| $label | $c | nginx, static file | $n_rps | $n_p50 | $n_p99 | 1 |"
  done
done
sleep 3
rss_idle=$(rss_kb "$list_pid")

# ---- submissions, each of a new genuine code
"$make_codes" 400000 2 >"$work/submit-codes"
for c in 1 16 64; do
  start_service "submit-$c"
  threads=$(( c < 2 ? 1 : 2 ))
  wrk -t "$threads" -c "$c" -d "${seconds}s" --latency -s "$root/bench/highscores/submit.lua" \
    "http://127.0.0.1:$port/api/v1/highscores" -- "$work/submit-codes" "$threads" >"$work/wrk.out" 2>&1
  accepted=$(sed -n 's/^accepted //p' "$work/wrk.out")
  other=$(sed -n 's/^other //p' "$work/wrk.out")
  read -r p50 p99 < <(/usr/bin/python3 -c '
import re, sys
t = open(sys.argv[1]).read()
ms = lambda v, u: float(v) * {"us": 0.001, "ms": 1, "s": 1000}[u]
p = {m.group(1): ms(m.group(2), m.group(3)) for m in re.finditer(r"^\s+(50|99)%\s+([\d.]+)(us|ms|s)", t, re.M)}
print("%.2f %.2f" % (p["50"], p["99"]))' "$work/wrk.out")
  per_second=$(awk -v a="$accepted" -v s="$seconds" 'BEGIN { printf "%.0f", a / s }')
  echo "| submissions (new entries, SQLite) | $c | vantrell-highscores | $per_second accepted/s | $p50 | $p99 | ($other not 201) |"
  kill "$service_pid"
  wait "$service_pid" 2>/dev/null || true
done
echo
echo "| resident memory of vantrell-highscores, 10,000 entries | MB |"
echo "|---|---|"
printf '| idle after the entries were submitted | %.1f |\n' "${rss_seeded}e-3"
printf '| idle after the list runs above | %.1f |\n' "${rss_idle}e-3"
echo
echo "($(nproc) cores; wrk, nginx and the service share them; $seconds s per run)"
