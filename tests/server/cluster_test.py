#!/usr/bin/python3
"""Two instances of the service on one private PostgreSQL, behind a private nginx with the
packaged site: the same codes at the same moment on both, an instance killed during a stream
of submissions, and the database stopped for 5 s during one.

    cluster_test.py SERVICE MAKE_CODES WORKDIR [unittest arguments]
Exit code 77 when this machine cannot run PostgreSQL or nginx.
"""

import json
import os
import re
import subprocess
import sys
import threading
import time
import unittest
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "highscores"))
from cluster import Cluster, Unavailable, check_available  # noqa: E402

SERVICE, MAKE_CODES, WORK = (os.path.abspath(p) for p in sys.argv[1:4])
LIST = "/index.php?ziel=medsudokuhighscore"
JSON = {"Content-Type": "application/json"}


def genuine_codes(count, seed):
    out = subprocess.run([MAKE_CODES, str(count), str(seed)], check=True, capture_output=True, text=True).stdout
    return [line.split()[0] for line in out.splitlines()]


class Stream:
    """Threads that submit codes through nginx one after another, each on its own keep-alive
    connection, and note every answer with its time."""

    def __init__(self, nginx, codes, threads=8, pause_after_503=0.02):
        self.nginx, self.codes, self.pause = nginx, codes, pause_after_503
        self.answers = []  # (monotonic time, status, code)
        self.errors = []
        self.lock = threading.Lock()
        self.halt = threading.Event()
        self.threads = [threading.Thread(target=self.run, args=(codes[k::threads],)) for k in range(threads)]

    def run(self, codes):
        connection = self.nginx.connection(timeout=30)
        for code in codes:
            if self.halt.is_set():
                break
            try:
                status, _, _ = self.nginx.request("POST", "/api/v1/highscores",
                                                  json.dumps({"name": "Stream", "code": code}), JSON,
                                                  connection=connection)
            except OSError as e:
                with self.lock:
                    self.errors.append(repr(e))
                connection.close()
                connection = self.nginx.connection(timeout=30)
                continue
            with self.lock:
                self.answers.append((time.monotonic(), status, code))
            if status == 503:
                time.sleep(self.pause)
        connection.close()

    def __enter__(self):
        for t in self.threads:
            t.start()
        return self

    def __exit__(self, *exc):
        self.halt.set()
        for t in self.threads:
            t.join()
        return False

    def answered(self):
        return {code for _, status, code in self.answers if status in (200, 201)}


class TwoInstances(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.cluster = Cluster(SERVICE, os.path.join(WORK, "cluster"), instances=2,
                              options=["--rate-limit", "0"]).start()
        cls.pg = cls.cluster.postgres
        cls.nginx = cls.cluster.nginx

    @classmethod
    def tearDownClass(cls):
        cls.cluster.stop()

    def setUp(self):
        self.pg.sql("TRUNCATE codes, moderation, entries, rank_points, rank_blocks")

    def stored_codes(self):
        return set(self.pg.sql("SELECT code FROM codes").split())

    def test_same_codes_at_once_on_both(self):
        """100 genuine codes, each sent 4 times at the same moment (twice under one name, twice
        under another) through nginx to both instances: 100 rows; each code answered 201 once,
        200 to its name and 409 to the other."""
        codes = genuine_codes(100, seed=31)
        per_round = 10
        barrier = threading.Barrier(4 * per_round)
        answers = {}  # (code, name) -> [status]
        lock = threading.Lock()

        def sender(slot):
            connection = self.nginx.connection()
            for first in range(0, len(codes), per_round):
                code = codes[first + slot // 4]
                name = "Ann %d" % (first + slot // 4) if slot % 4 < 2 else "Bob %d" % (first + slot // 4)
                barrier.wait()
                status, _, _ = self.nginx.request("GET", LIST + "&name=" + urllib.parse.quote(name) + "&code=" + code,
                                                  connection=connection)
                with lock:
                    answers.setdefault(code, []).append((name, status))
            connection.close()

        threads = [threading.Thread(target=sender, args=(slot,)) for slot in range(4 * per_round)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        for code, got in answers.items():
            with self.subTest(code=code):
                winners = [name for name, status in got if status == 201]
                self.assertEqual(len(winners), 1, got)
                for name, status in got:
                    if status != 201:
                        self.assertEqual(status, 200 if name == winners[0] else 409, got)
        self.assertEqual(self.pg.sql("SELECT count(*) FROM entries").strip(), "100")
        self.assertEqual(self.stored_codes(), set(codes))
        # nginx spread them: most codes reached both instances.
        seen = [set(re.findall(r"code=(\d{23})", s.log())) & set(codes) for s in self.cluster.instances]
        both = len(seen[0] & seen[1])
        print("codes that reached both instances: %d of 100" % both)
        self.assertGreater(both, 50)

    def test_forwarded_client(self):
        """The instances take the client's address from nginx's X-Forwarded-For."""
        self.nginx.request("GET", "/healthz?forwarded", headers={"X-Forwarded-For": "198.51.100.7"})
        time.sleep(0.3)
        lines = [l for s in self.cluster.instances for l in s.log().splitlines() if "/healthz?forwarded" in l]
        self.assertEqual(len(lines), 1, lines)
        self.assertIn(' 198.51.100.7 "GET /healthz?forwarded" 200', lines[0])

    def test_metrics_stay_inside(self):
        """The packaged site answers 404 itself for /metrics in any spelling that nginx reads
        as it; no instance sees the request."""
        paths = ["/metrics", "/metrics?x=1", "/metrics/", "/%6detrics", "//metrics", "/./metrics", "/metrics.txt"]
        for path in paths:
            with self.subTest(path=path):
                status, _, body = self.nginx.request("GET", path)
                self.assertEqual(status, 404)
                self.assertIn(b"nginx", body)
        time.sleep(0.3)
        seen = [l for s in self.cluster.instances for l in s.log().splitlines() if "etrics" in l]
        self.assertEqual(seen, [])

    def test_kill_one_instance(self):
        """kill -9 of one instance during a stream of submissions: nginx hands its requests to
        the other, every submission is answered 200 or 201, and every one of them is stored."""
        codes = genuine_codes(4000, seed=37)
        victim, survivor = self.cluster.instances
        try:
            with Stream(self.nginx, codes) as stream:
                time.sleep(0.5)
                victim.kill()
                killed = time.monotonic()
                time.sleep(1.5)
            self.assertEqual(stream.errors, [])
            statuses = {s for _, s, _ in stream.answers}
            self.assertLessEqual(statuses, {200, 201}, "answers other than 200/201")
            after = [a for a in stream.answers if a[0] > killed + 0.1]
            self.assertGreater(len(after), 20, "the survivor took over")
            missing = stream.answered() - self.stored_codes()
            self.assertEqual(missing, set(), "answered but not stored")
            print("kill -9 of one instance: %d submissions answered (%d after the kill), all stored"
                  % (len(stream.answers), len(after)))
        finally:
            self.cluster.start_instance(0)
            self.nginx.stop()
            self.nginx.upstreams = ["127.0.0.1:%d" % s.port for s in self.cluster.instances]
            self.nginx.start()

    def test_database_stopped_for_5_s(self):
        """PostgreSQL stopped for 5 s during a stream: 503 meanwhile (and from /healthz), nothing
        answered 201 is lost, and the service serves again within 2 s of the database's return."""
        codes = genuine_codes(20000, seed=41)
        health = []
        with Stream(self.nginx, codes, threads=4) as stream:
            time.sleep(0.5)
            self.pg.stop("fast")
            gone = time.monotonic()
            while time.monotonic() < gone + 5:
                health.append(self.nginx.request("GET", "/healthz")[0])
                time.sleep(0.25)
            down_until = time.monotonic()
            self.pg.start()
            back = time.monotonic()
            while time.monotonic() < back + 2.5:
                time.sleep(0.1)
        self.assertEqual(stream.errors, [])
        self.assertEqual(set(health), {503})
        down = [s for t, s, _ in stream.answers if gone < t < down_until]
        self.assertGreater(len(down), 10)
        self.assertEqual(set(down), {503})
        self.assertLessEqual({s for _, s, _ in stream.answers}, {200, 201, 503})
        first_after = min((t for t, s, _ in stream.answers if t > back and s in (200, 201)), default=None)
        self.assertIsNotNone(first_after, "no submission was accepted after the database came back")
        self.assertLess(first_after - back, 2.0)
        self.assertEqual(self.nginx.request("GET", "/healthz")[0], 200)
        self.assertEqual(stream.answered() - self.stored_codes(), set(), "answered but not stored")
        print("database stopped for 5 s: %d answers 503 meanwhile, accepting again %.0f ms after its return"
              % (len(down), (first_after - back) * 1000))


if __name__ == "__main__":
    try:
        check_available()
    except Unavailable as e:
        print("SKIP:", e)
        sys.exit(77)
    unittest.main(argv=[sys.argv[0]] + sys.argv[4:], verbosity=2)
