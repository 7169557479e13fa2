#!/usr/bin/python3
"""What the operator of a public list meets, through the real executable: names on the
blocked list (with look-alikes) refused, the list read again on SIGHUP while clients keep
submitting, and /metrics checked by promtool and Prometheus' own parser, its counters moving
by exactly what the test sends, and refused to a request that came through a proxy.

    operator_test.py SERVICE MAKE_CODES WORKDIR [unittest arguments]
"""

import json
import os
import shutil
import signal
import subprocess
import sys
import threading
import time
import unittest
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "highscores"))
from private_service import PrivateService, genuine_results  # noqa: E402
from private_service import fresh_dir as shared_fresh_dir  # noqa: E402

SERVICE, MAKE_CODES, WORK = (os.path.abspath(p) for p in sys.argv[1:4])
LIST = "/index.php?ziel=medsudokuhighscore"
JSON = {"Content-Type": "application/json"}


def codes(count, seed):
    return [r[0] for r in genuine_results(MAKE_CODES, count, seed)]


def fresh_dir(name):
    return shared_fresh_dir(WORK, name)


class BlockedNames(unittest.TestCase):
    def test_look_alikes_and_reload_under_load(self):
        workdir = fresh_dir("blocked")
        names_file = os.path.join(workdir, "blocked-names")
        with open(names_file, "w", encoding="utf-8") as f:
            f.write("# words the list does not take\nbad word\nidiot*   # and every word that starts so\n\n")
        fresh = iter(codes(400, 91))
        with PrivateService(SERVICE, workdir, "--rate-limit", "0", "--blocked-names", names_file) as service:
            cases = [
                # (name, blocked)
                ("Bad Word", True), ("B4D W0RD", True), ("bäd-wörd", True), ("b.a.d word", True),
                ("ＢＡＤ ＷＯＲＤ", True), ("Idiots United", True), ("1d10t", True),
                ("Badwordsworth", False), ("Good Word", False), ("Zoë", False), ("Idyll", False),
            ]
            for name, blocked in cases:
                for language, text in (("en", "This name is not allowed"), ("de", "Dieser Name ist nicht erlaubt")):
                    with self.subTest(name=name, language=language):
                        code = next(fresh)
                        status, _, body = service.request(
                            "GET", "%s&name=%s&code=%s" % (LIST, urllib.parse.quote(name), code),
                            headers={"Accept-Language": language})
                        self.assertEqual(status, 400 if blocked else 201, body[:400])
                        self.assertEqual(text in body.decode(), blocked)
            status, _, body = service.request("POST", "/api/v1/highscores",
                                              json.dumps({"name": "bad  WORD", "code": next(fresh)}), JSON)
            self.assertEqual((status, json.loads(body)["error"]), (400, "this name is not allowed"))

            # Read again on SIGHUP while eight clients submit and read: nobody is refused or
            # dropped, and the new word holds from then on.
            stream = iter(codes(3000, 92))
            lock, stop, answers, errors = threading.Lock(), threading.Event(), [], []

            def client(k):
                while not stop.is_set():
                    with lock:
                        code = next(stream, None)
                    if code is None:
                        return
                    try:
                        if k % 2:
                            status = service.request("GET", "/api/v1/highscores?type=9&offset=%d" % k)[0]
                        else:
                            status = service.request("POST", "/api/v1/highscores",
                                                     json.dumps({"name": "Z%d" % k, "code": code}), JSON)[0]
                    except OSError as e:
                        errors.append(repr(e))
                        continue
                    answers.append(status)

            threads = [threading.Thread(target=client, args=(k,)) for k in range(8)]
            for t in threads:
                t.start()
            time.sleep(0.3)
            with open(names_file, "a", encoding="utf-8") as f:
                f.write("zebra\n")
            service.process.send_signal(signal.SIGHUP)
            time.sleep(0.5)
            stop.set()
            for t in threads:
                t.join()
            self.assertEqual(errors, [])
            self.assertTrue(answers)
            self.assertEqual(set(answers) - {200, 201}, set())
            self.assertIsNone(service.process.poll())
            self.assertEqual(service.request("GET", "%s&name=Zebra&code=%s" % (LIST, next(fresh)))[0], 400)
            # A file that cannot be read keeps the list before.
            os.remove(names_file)
            service.process.send_signal(signal.SIGHUP)
            time.sleep(0.3)
            self.assertIsNone(service.process.poll())
            self.assertEqual(service.request("GET", "%s&name=Zebra&code=%s" % (LIST, next(fresh)))[0], 400)
            self.assertIn("blocked", service.log().lower())

    def test_unreadable_file_at_start(self):
        done = subprocess.run([SERVICE, "--listen", "127.0.0.1:0", "--database",
                               "sqlite:" + os.path.join(fresh_dir("blocked-start"), "x.db"),
                               "--blocked-names", "/nonexistent/blocked-names"], capture_output=True, text=True,
                              timeout=20)
        self.assertEqual(done.returncode, 1)
        self.assertIn("/nonexistent/blocked-names", done.stderr)


class Metrics(unittest.TestCase):
    def scrape(self, service):
        from prometheus_client.parser import text_string_to_metric_families
        status, headers, body = service.request("GET", "/metrics")
        self.assertEqual(status, 200)
        self.assertTrue(headers["content-type"].startswith("text/plain; version=0.0.4"))
        text = body.decode()
        if shutil.which("promtool"):
            check = subprocess.run(["promtool", "check", "metrics"], input=text, capture_output=True, text=True)
            self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        samples = {}
        for family in text_string_to_metric_families(text):
            for s in family.samples:
                samples[(s.name, tuple(sorted(s.labels.items())))] = s.value
        return samples

    def test_counters_move_by_what_was_sent(self):
        try:
            import prometheus_client.parser  # noqa: F401
        except ImportError:
            self.skipTest("python3-prometheus-client is not installed")
        workdir = fresh_dir("metrics")
        made = codes(6, 93)
        with PrivateService(SERVICE, workdir, "--rate-limit", "0") as service:
            before = self.scrape(service)
            sent = [("POST", "/api/v1/highscores", {"name": "M", "code": made[0]}, 201),
                    ("POST", "/api/v1/highscores", {"name": "M", "code": made[1]}, 201),
                    ("POST", "/api/v1/highscores", {"name": "M", "code": made[0]}, 200),
                    ("POST", "/api/v1/highscores", {"name": "Other", "code": made[0]}, 409),
                    ("POST", "/api/v1/highscores", {"name": "M", "code": "1" * 23}, 422),
                    ("GET", "/api/v1/highscores?type=9", None, 200),
                    ("GET", "/api/v1/highscores?type=9", None, 200),
                    ("GET", "/healthz", None, 200),
                    ("GET", "/nowhere", None, 404)]
            for method, path, body, status in sent:
                got = service.request(method, path, json.dumps(body) if body else None, JSON if body else None)[0]
                self.assertEqual(got, status, path)
            # Someone else's request, sent on by a proxy, finds no figures.
            for header in ({"X-Forwarded-For": "203.0.113.9"}, {"Forwarded": "for=203.0.113.9"}):
                self.assertEqual(service.request("GET", "/metrics", headers=header)[0], 404)
            after = self.scrape(service)

            def moved(name, **labels):
                key = (name, tuple(sorted(labels.items())))
                return after.get(key, 0) - before.get(key, 0)

            expected = [
                (("vantrell_highscores_requests_total",), {"route": "submit_api", "code": "2xx"}, 3),
                (("vantrell_highscores_requests_total",), {"route": "submit_api", "code": "4xx"}, 2),
                (("vantrell_highscores_requests_total",), {"route": "list_api", "code": "2xx"}, 2),
                (("vantrell_highscores_requests_total",), {"route": "healthz", "code": "2xx"}, 1),
                (("vantrell_highscores_requests_total",), {"route": "other", "code": "4xx"}, 3),
                (("vantrell_highscores_requests_total",), {"route": "metrics", "code": "2xx"}, 1),
                (("vantrell_highscores_submissions_total",), {"outcome": "created"}, 2),
                (("vantrell_highscores_submissions_total",), {"outcome": "standing"}, 1),
                (("vantrell_highscores_submissions_total",), {"outcome": "taken"}, 1),
                (("vantrell_highscores_submissions_total",), {"outcome": "refused_code"}, 1),
                (("vantrell_highscores_request_duration_seconds_count",), {"route": "submit_api"}, 5),
            ]
            for (name,), labels, count in expected:
                with self.subTest(name=name, labels=labels):
                    self.assertEqual(moved(name, **labels), count)
            self.assertEqual(after[("vantrell_highscores_entries", (("type", "9"),))]
                             + after[("vantrell_highscores_entries", (("type", "8"),))]
                             + after[("vantrell_highscores_entries", (("type", "1"),))], 2)
            self.assertGreaterEqual(moved("vantrell_highscores_writer_commits_total"), 1)
            self.assertGreaterEqual(after[("vantrell_highscores_open_connections", ())], 1)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + sys.argv[4:], verbosity=2)
