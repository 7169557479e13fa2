#!/usr/bin/python3
"""How the highscore service's cost grows with its list: lists of 10^4 to 10^7 entries, loaded
through the service's own import, on SQLite and on a private PostgreSQL (as the tests start
it), then measured one request at a time (every answer a cache miss) and under load.

    /usr/bin/python3 bench/highscores_scale.py [BUILD] [--sizes 10000,100000,1000000,10000000]
                                              [--backends sqlite,postgresql] [--seconds 10]

Prints a Markdown table: per size and back end, a submission (p50 and p99 one at a time,
accepted/s and p99 at 16 connections), the game's address of an entry far down (its rank
and the rows around it), a JSON page and an HTML page at random depths (p50 and p99), the
import in lines/s, the database's size on disk and the service's resident memory.
"""

import argparse
import http.client
import json
import os
import random
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time
import urllib.parse

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "support", "highscores"))
sys.path.insert(0, os.path.join(ROOT, "tests", "support", "postgres"))
from private_service import PrivateService  # noqa: E402

LIST = "/index.php?ziel=medsudokuhighscore"
SAMPLES = 300


def percentile(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(len(values) * p / 100))] * 1000


def timed(connection, method, path, body=None, headers=None, expect=(200,)):
    started = time.perf_counter()
    connection.request(method, path, body=body, headers=headers or {})
    response = connection.getresponse()
    response.read()
    took = time.perf_counter() - started
    if response.status not in expect:
        raise RuntimeError("%s %s answered %d" % (method, path, response.status))
    return took


def far_down(database, count=SAMPLES):
    """(name, code) of entries in the last tenth of the 9x9 free table."""
    sql = ("SELECT e.name, c.code FROM entries e JOIN codes c ON c.entry_id = e.id WHERE e.game_type = 9"
           " AND e.points < 26000 LIMIT %d" % (count * 4))
    if database.startswith("sqlite:"):
        rows = sqlite3.connect(database[7:]).execute(sql).fetchall()
    else:
        out = subprocess.run(["psql", "-X", "-A", "-t", "-F", "\t", "-d", database, "-c", sql], check=True,
                             capture_output=True, text=True).stdout
        rows = [tuple(line.split("\t")) for line in out.splitlines()]
    random.Random(1).shuffle(rows)
    return rows[:count]


def size_on_disk(database):
    if database.startswith("sqlite:"):
        path = database[7:]
        return sum(os.path.getsize(path + s) for s in ("", "-wal") if os.path.exists(path + s))
    out = subprocess.run(["psql", "-X", "-A", "-t", "-d", database, "-c", "SELECT pg_database_size(current_database())"],
                         check=True, capture_output=True, text=True).stdout
    return int(out.strip())


def rss_mb(pid):
    with open("/proc/%d/status" % pid) as f:
        return int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1)) / 1024


def wrk_submissions(port, codes_file, seconds):
    out = subprocess.run(["wrk", "-t", "2", "-c", "16", "-d", "%ds" % seconds, "--latency", "-s",
                          os.path.join(ROOT, "bench", "highscores", "submit.lua"),
                          "http://127.0.0.1:%d/api/v1/highscores" % port, "--", codes_file, "2"],
                         capture_output=True, text=True).stdout
    accepted = int(re.search(r"^accepted (\d+)", out, re.M).group(1))
    p99 = re.search(r"^\s+99%\s+([\d.]+)(us|ms|s)", out, re.M)
    scale = {"us": 0.001, "ms": 1, "s": 1000}[p99.group(2)]
    return accepted / seconds, float(p99.group(1)) * scale


def measure(build, database, list_file, workdir, seconds, seed):
    service_bin = os.path.join(build, "server", "vantrell-highscores")
    make_codes = os.path.join(build, "tests", "server", "make_codes")
    row = {}
    started = time.monotonic()
    done = subprocess.run([service_bin, "--database", database, "import", list_file], capture_output=True, text=True)
    if done.returncode != 0:
        raise RuntimeError(done.stderr)
    lines = int(re.search(r"with (\d+) codes", done.stdout).group(1))
    row["import"] = lines / (time.monotonic() - started)
    targets = far_down(database)
    codes_file = os.path.join(workdir, "codes")
    with open(codes_file, "w") as f:
        f.write(subprocess.run([make_codes, str(SAMPLES + 60000), str(seed)], check=True, capture_output=True,
                               text=True).stdout)
    fresh = [line.split()[0] for line in open(codes_file)]
    with open(codes_file, "w") as f:
        f.write("\n".join(fresh[SAMPLES:]) + "\n")
    with PrivateService(service_bin, workdir, "--rate-limit", "0", database=database) as service:
        c = http.client.HTTPConnection("127.0.0.1", service.port, timeout=60)
        total = json.loads(service.request("GET", "/api/v1/highscores?type=9&limit=1")[2])["total"]
        depths = random.Random(seed).sample(range(total), min(SAMPLES, total))
        times = {"submit": [], "address": [], "json": [], "html": []}
        for i, code in enumerate(fresh[:SAMPLES]):
            times["submit"].append(timed(c, "POST", "/api/v1/highscores", json.dumps({"name": "Bench %d" % i, "code": code}),
                                         {"Content-Type": "application/json"}, expect=(201, 409)))
        for name, code in targets:
            times["address"].append(timed(c, "GET", "%s&name=%s&code=%s" % (LIST, urllib.parse.quote(name), code)))
        for depth in depths:
            times["json"].append(timed(c, "GET", "/api/v1/highscores?type=9&limit=20&offset=%d" % depth))
        for depth in depths:
            times["html"].append(timed(c, "GET", "%s&type=9&page=%d" % (LIST, depth // 20 + 1)))
        for key, values in times.items():
            row[key] = (percentile(values, 50), percentile(values, 99))
        row["accepted"], row["load_p99"] = wrk_submissions(service.port, codes_file, seconds)
        row["rss"] = rss_mb(service.process.pid)
    row["size"] = size_on_disk(database) / 1e6
    return row


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default=os.path.join(ROOT, "build"))
    parser.add_argument("--sizes", default="10000,100000,1000000,10000000")
    parser.add_argument("--backends", default="sqlite,postgresql")
    parser.add_argument("--seconds", type=int, default=10)
    parser.add_argument("--keep", help="folder for the list files, kept between runs")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    work = tempfile.mkdtemp(prefix="vantrell-scale.")
    lists = args.keep or work
    os.makedirs(lists, exist_ok=True)
    pg = None
    if "postgresql" in args.backends:
        from private_postgres import PrivatePostgres
        pg = PrivatePostgres(settings={"shared_buffers": "'512MB'", "max_wal_size": "'8GB'",
                                       "checkpoint_timeout": "'30min'", "max_connections": "100"})
        pg.__enter__()
    print("| entries | database | submit p50/p99 ms | submit/s at 16 conn. (p99 ms) | address far down p50/p99 ms"
          " | JSON page p50/p99 ms | HTML page p50/p99 ms | import lines/s | size MB | RSS MB |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    try:
        for size in (int(s) for s in args.sizes.split(",")):
            list_file = os.path.join(lists, "list-%d.jsonl" % size)
            if not os.path.exists(list_file):
                with open(list_file + ".part", "w") as f:
                    subprocess.run([os.path.join(build, "bench", "make_list"), str(size)], stdout=f, check=True)
                os.rename(list_file + ".part", list_file)
            for backend in args.backends.split(","):
                workdir = os.path.join(work, "%s-%d" % (backend, size))
                os.makedirs(workdir)
                if backend == "sqlite":
                    database = "sqlite:" + os.path.join(workdir, "list.db")
                else:
                    pg.sql("DROP SCHEMA public CASCADE; CREATE SCHEMA public")
                    database = pg.uri
                r = measure(build, database, list_file, workdir, args.seconds, seed=size % 997 + 3)
                print("| %s | %s | %.1f / %.1f | %.0f (%.0f) | %.1f / %.1f | %.1f / %.1f | %.1f / %.1f | %.0f | %.0f | %.0f |"
                      % ("{:,}".format(size), "SQLite" if backend == "sqlite" else "PostgreSQL", *r["submit"],
                         r["accepted"], r["load_p99"], *r["address"], *r["json"], *r["html"], r["import"], r["size"],
                         r["rss"]), flush=True)
                if backend == "sqlite":
                    shutil.rmtree(workdir)
    finally:
        if pg:
            pg.__exit__(None, None, None)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
