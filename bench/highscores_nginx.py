#!/usr/bin/python3
"""Load run of the highscore list as a large site serves it: wrk against the private nginx
with the packaged site (https), in front of one or two instances on a private PostgreSQL,
and of one instance on a SQLite file, in the same run. Each set-up starts from the same
10,000 entries; then the list API and submissions of distinct genuine codes
(--rate-limit 0), at 64 connections.

    bench/highscores_nginx.py [build-dir] [seconds per run, default 10]
"""

import http.client
import json
import os
import re
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "support", "highscores"))
sys.path.insert(0, os.path.join(ROOT, "tests", "support", "postgres"))
from cluster import Cluster  # noqa: E402
from private_postgres import PrivatePostgres  # noqa: E402

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
SECONDS = int(sys.argv[2]) if len(sys.argv) > 2 else 10
SERVICE = os.path.join(BUILD, "server", "vantrell-highscores")
MAKE_CODES = os.path.join(BUILD, "tests", "server", "make_codes")
CONNECTIONS = 64
API = "/api/v1/highscores?type=9&limit=20&offset=0"


def seed(port, codes):
    """The entries, straight to one instance (not part of the measurement)."""
    def post(share):
        c = http.client.HTTPConnection("127.0.0.1", port)
        for i, code in share:
            c.request("POST", "/api/v1/highscores", json.dumps({"name": "Player %d" % i, "code": code}),
                      {"Content-Type": "application/json"})
            r = c.getresponse()
            r.read()
            assert r.status == 201, r.status
        c.close()
    numbered = list(enumerate(codes))
    threads = [threading.Thread(target=post, args=(numbered[k::16],)) for k in range(16)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()


def ms(value, unit):
    return float(value) * {"us": 0.001, "ms": 1, "s": 1000}[unit]


def wrk(url, script=None, *script_args):
    """(requests/s, p50 ms, p99 ms, non-2xx, wrk's output)"""
    command = ["wrk", "-t", "2", "-c", str(CONNECTIONS), "-d", "%ds" % SECONDS, "--latency"]
    command += (["-s", script, url, "--"] + list(script_args)) if script else [url]
    out = subprocess.run(command, capture_output=True, text=True, check=True).stdout
    rps = float(re.search(r"Requests/sec:\s+([\d.]+)", out).group(1))
    p = {m.group(1): ms(m.group(2), m.group(3)) for m in re.finditer(r"^\s+(50|99)%\s+([\d.]+)(us|ms|s)", out, re.M)}
    bad = re.search(r"Non-2xx or 3xx responses: (\d+)", out)
    return rps, p["50"], p["99"], int(bad.group(1)) if bad else 0, out


def main():
    for tool in (SERVICE, MAKE_CODES):
        if not os.access(tool, os.X_OK):
            sys.exit("bench/highscores_nginx.py: %s is missing (./test.sh builds it)" % tool)
    work = tempfile.mkdtemp(prefix="vantrell-bench-nginx.")
    os.chmod(work, 0o755)  # nginx runs as nobody when this runs as root
    seed_codes = subprocess.run([MAKE_CODES, "10000", "1"], capture_output=True, text=True,
                                check=True).stdout.split("\n")
    seed_codes = [line.split()[0] for line in seed_codes if line]
    rows = []
    with PrivatePostgres() as pg:
        setups = [("PostgreSQL", 1), ("PostgreSQL", 2), ("SQLite", 1)]
        for n, (database, instances) in enumerate(setups):
            if database == "PostgreSQL":
                pg.sql("DROP SCHEMA public CASCADE; CREATE SCHEMA public")
            cluster = Cluster(SERVICE, os.path.join(work, "setup-%d" % n), instances=instances,
                              options=["--rate-limit", "0"], database=database.lower(), nginx_workers="auto",
                              postgres=pg if database == "PostgreSQL" else None).start()
            try:
                seed(cluster.instances[0].port, seed_codes)
                base = "https://127.0.0.1:%d" % cluster.nginx.https_port
                rps, p50, p99, bad, _ = wrk(base + API)
                rows.append(("list API (JSON)", database, instances, "%.0f" % rps, p50, p99, bad))
                codes = os.path.join(work, "submit-%d" % n)
                with open(codes, "w") as f:
                    subprocess.run([MAKE_CODES, "400000", str(100 + n)], stdout=f, check=True)
                rps, p50, p99, bad, out = wrk(base + "/api/v1/highscores",
                                              os.path.join(ROOT, "bench", "highscores", "submit.lua"), codes, "2")
                accepted = int(re.search(r"^accepted (\d+)", out, re.M).group(1))
                rows.append(("submissions (new entries)", database, instances, "%.0f accepted" % (accepted / SECONDS),
                             p50, p99, int(re.search(r"^other (\d+)", out, re.M).group(1))))
            finally:
                cluster.stop()
            time.sleep(1)
    subprocess.run(["rm", "-rf", work])
    print("| load (through nginx, https, %d connections) | database | instances | requests/s | p50 ms | p99 ms "
          "| refused |" % CONNECTIONS)
    print("|---|---|---|---|---|---|---|")
    for load, database, instances, rps, p50, p99, bad in rows:
        print("| %s | %s | %d | %s | %.2f | %.2f | %d |" % (load, database, instances, rps, p50, p99, bad))
    print()
    print("(%d cores; wrk, nginx, PostgreSQL and the instances share them; %d s per run; 10,000 entries "
          "before each set-up)" % (os.cpu_count(), SECONDS))


if __name__ == "__main__":
    main()
