#!/usr/bin/python3
"""The list at any size, through the real executable: export and import between SQLite and
PostgreSQL, imports that are refused whole, the counts after kill -9, the route of a request
decided once (a held writer holds up no health check), bounded paging, and entries hidden
and shown by the operator while the service runs.

    list_test.py SERVICE MAKE_CODES WORKDIR [unittest arguments]
PostgreSQL takes part when VANTRELL_TEST_POSTGRES names a private cluster (private_postgres.py).
"""

import json
import os
import re
import sqlite3
import subprocess
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "highscores"))
from private_service import PrivateService, genuine_results  # noqa: E402
from private_service import fresh_dir as shared_fresh_dir  # noqa: E402

SERVICE, MAKE_CODES, WORK = (os.path.abspath(p) for p in sys.argv[1:4])
POSTGRES = os.environ.get("VANTRELL_TEST_POSTGRES")
SCALE = float(os.environ.get("VANTRELL_TEST_TIME_SCALE", "1"))
LIST = "/index.php?ziel=medsudokuhighscore"
JSON = {"Content-Type": "application/json"}


def results(count, seed, per_result=1):
    return genuine_results(MAKE_CODES, count, seed, per_result)


def command(database, *words, stdin=None):
    return subprocess.run([SERVICE, "--database", database] + list(words), capture_output=True, text=True,
                          input=stdin, timeout=120 * SCALE)


def fresh_postgres():
    subprocess.run(["psql", "-X", "-q", "-d", POSTGRES, "-c", "DROP SCHEMA public CASCADE; CREATE SCHEMA public"],
                   check=True, capture_output=True)
    return POSTGRES


def pg_rows(sql):
    return subprocess.run(["psql", "-X", "-A", "-t", "-q", "-d", POSTGRES, "-c", sql], check=True, capture_output=True,
                          text=True).stdout.split()


def counts_agree(database):
    """The kept counts equal a count of the visible entries, by value and by block."""
    kept_points = "SELECT game_type, points, entries FROM rank_points WHERE entries <> 0 ORDER BY 1, 2"
    counted_points = ("SELECT game_type, points, count(*) FROM entries WHERE {} GROUP BY 1, 2 ORDER BY 1, 2")
    kept_blocks = "SELECT game_type, block, entries FROM rank_blocks WHERE entries <> 0 ORDER BY 1, 2"
    counted_blocks = ("SELECT game_type, points / 256, count(*) FROM entries WHERE {} GROUP BY 1, 2 ORDER BY 1, 2")
    if database.startswith("sqlite:"):
        db = sqlite3.connect(database[len("sqlite:"):])
        rows = lambda sql: [tuple(r) for r in db.execute(sql)]  # noqa: E731
        visible = "hidden = 0"
    else:
        rows = pg_rows  # noqa: E731
        visible = "NOT hidden"
    return (rows(kept_points) == rows(counted_points.format(visible))
            and rows(kept_blocks) == rows(counted_blocks.format(visible)))


def fresh_dir(name):
    return shared_fresh_dir(WORK, name)


def jsonl(lines):
    return "".join(json.dumps(line, ensure_ascii=False) + "\n" for line in lines)


class Transfer(unittest.TestCase):
    """Export and import: exact round trips, and refusals that store nothing."""

    def setUp(self):
        self.dir = fresh_dir(self.id().split(".")[-1])

    def sqlite(self, name):
        return "sqlite:" + os.path.join(self.dir, name + ".db")

    def lines(self):
        # Names repeat, results come with two codes, many entries share a millisecond, one is hidden.
        made = results(240, 7, per_result=2)
        names = ["Zoë", "Ann", "李", "O'Brien \"quoted\"", "", "Anna-Lena", "Ω"]
        out = []
        for i, (code, *_r) in enumerate(made):
            out.append({"name": names[(i // 2) % len(names)], "code": code,
                        "entered": "2026-03-01T10:00:%02d.%03dZ" % (i // 60, (i // 5) % 1000)})
        out[17].update(hidden=True, reason="an offensive name")
        out[16].update(hidden=True, reason="an offensive name")
        return out

    def export(self, database):
        done = command(database, "export")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertRegex(done.stderr, r"exported \d+ codes in [\d.]+ s")
        return done.stdout

    def test_round_trip_between_back_ends(self):
        source = os.path.join(self.dir, "list.jsonl")
        with open(source, "w", encoding="utf-8") as f:
            f.write(jsonl(self.lines()))
        done = command(self.sqlite("a"), "import", source)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertRegex(done.stdout, r"^imported 120 entries with 240 codes in [\d.]+ s\n$")
        first = self.export(self.sqlite("a"))
        self.assertEqual(len(first.splitlines()), 240)
        # A file export goes to FILE whole (never a half-written FILE).
        target = os.path.join(self.dir, "backup.jsonl")
        self.assertEqual(command(self.sqlite("a"), "export", target).returncode, 0)
        with open(target, encoding="utf-8") as f:
            self.assertEqual(f.read(), first)
        self.assertFalse(os.path.exists(target + ".partial"))
        # Best first per type, as the pages rank them.
        exported = [json.loads(line) for line in first.splitlines()]
        self.assertEqual([e["hidden"] for e in exported if "hidden" in e], [True, True])
        hops = [self.sqlite("b")] + ([fresh_postgres()] if POSTGRES else []) + [self.sqlite("c")]
        text = first
        for database in hops:
            done = command(database, "import", "-", stdin=text)
            self.assertEqual(done.returncode, 0, done.stderr)
            text = self.export(database)
            self.assertEqual(text, first, "round trip through " + database)
            self.assertTrue(counts_agree(database), database)
        # The ranks the service answers are the order of the export.
        with PrivateService(SERVICE, os.path.join(self.dir, "svc"), database=hops[-1]) as service:
            status, _, body = service.request("GET", "/api/v1/highscores?type=%d&limit=100" % 9)
            self.assertEqual(status, 200)
            ranked = [(e["name"], e["points"]) for e in json.loads(body)["entries"]]
            exported_9 = []
            for line in exported:
                if line.get("hidden"):
                    continue
                points, kind = next((p, t) for c, p, t, *_ in results(240, 7, 2) if c == line["code"])
                if kind == 9 and (line["name"] or "", points) not in exported_9:
                    exported_9.append((line["name"], points))
            self.assertEqual(ranked, exported_9[:100])

    def test_refused_imports_store_nothing(self):
        made = results(6, 11)
        good = {"name": "Ann", "code": made[0][0]}
        cases = [
            # (name, lines, line number refused, piece of the reason)
            ("not JSON", [good, "{broken"], 2, "not a JSON object"),
            ("a code the decoder refuses", [good, {"name": "B", "code": "12345678901234567890123"}], 2, "the code"),
            ("a code under two names", [good, {"name": "C", "code": made[1][0]}, {"name": "D", "code": made[1][0]}],
             3, "under another name"),
            ("a code of the list under another name", [{"name": "Someone else", "code": made[5][0]}], 1,
             "under another name"),
            ("a name too long", [good, {"name": "x" * 31, "code": made[2][0]}], 2, "at most 30"),
            ("a control character", [{"name": "a\u0007b", "code": made[2][0]}], 1, "control character"),
            ("no code", [good, {"name": "E"}], 2, "no \"code\""),
            ("a time that is none", [{"name": "F", "code": made[3][0], "entered": "2026-02-30T10:00:00Z"}], 1,
             "entered"),
            ("a line of 70 KiB", [good, {"name": "G", "code": made[3][0], "x": "y" * 70000}], 2, "longer than 64 KiB"),
        ]
        databases = [self.sqlite("refused")] + ([fresh_postgres()] if POSTGRES else [])
        for database in databases:
            command(database, "import", "-", stdin=jsonl([{"name": "Owner", "code": made[5][0]}]))
            before = self.export(database)
            for name, lines, number, reason in cases:
                with self.subTest(case=name, database=database[:10]):
                    text = "".join((line if isinstance(line, str) else json.dumps(line)) + "\n" for line in lines)
                    done = command(database, "import", "-", stdin="\n" + text)  # a blank line first: skipped
                    self.assertEqual(done.returncode, 1, done.stdout + done.stderr)
                    self.assertIn("line %d: " % (number + 1), done.stderr)
                    self.assertIn(reason, done.stderr)
                    self.assertIn("nothing was imported", done.stderr)
                    self.assertEqual(self.export(database), before)
        self.assertEqual(command(self.sqlite("x"), "import", os.path.join(self.dir, "none.jsonl")).returncode, 1)
        self.assertEqual(command(self.sqlite("x"), "import").returncode, 2)


class Counts(unittest.TestCase):
    """The counts are written with the entries: kill -9 at any moment leaves them right."""

    def stream(self, services, codes, seconds):
        answered, lock, stop = set(), threading.Lock(), threading.Event()

        def run(share, service):
            for i, (code, *_r) in enumerate(share):
                if stop.is_set():
                    return
                try:
                    status, _, _ = service.request("POST", "/api/v1/highscores",
                                                   json.dumps({"name": "K%d" % (i % 7), "code": code}), JSON)
                except OSError:
                    continue
                if status in (200, 201):
                    with lock:
                        answered.add(code)

        threads = [threading.Thread(target=run, args=(codes[k::8], services[k % len(services)])) for k in range(8)]
        for t in threads:
            t.start()
        time.sleep(seconds)
        services[0].kill()
        stop.set()
        for t in threads:
            t.join()
        return answered

    def check(self, database, answered):
        self.assertTrue(counts_agree(database))
        if database.startswith("sqlite:"):
            stored = {r[0] for r in sqlite3.connect(database[7:]).execute("SELECT code FROM codes")}
        else:
            stored = set(pg_rows("SELECT code FROM codes"))
        self.assertFalse(answered - stored, "answered but lost")

    def test_kill_during_submissions_sqlite(self):
        workdir = fresh_dir("kill-sqlite")
        for round in range(3):
            service = PrivateService(SERVICE, workdir, "--rate-limit", "0").start()
            answered = self.stream([service], results(3000, 20 + round), 0.3 + 0.3 * round)
            self.assertTrue(answered)
            self.check(service.database, answered)

    @unittest.skipUnless(POSTGRES, "no private PostgreSQL")
    def test_two_instances_and_a_kill_postgres(self):
        database = fresh_postgres()
        one = PrivateService(SERVICE, fresh_dir("kill-pg-1"), "--rate-limit", "0", database=database).start()
        with PrivateService(SERVICE, fresh_dir("kill-pg-2"), "--rate-limit", "0",
                            database=database) as two:
            answered = self.stream([one, two], results(3000, 31), 1.0)
            self.check(database, answered)


class Routes(unittest.TestCase):
    """What a request costs is decided once, from the decoded request."""

    def test_held_writer_holds_no_health_check(self):
        with PrivateService(SERVICE, fresh_dir("held"), "--rate-limit", "0") as service:
            held = sqlite3.connect(service.database[7:], timeout=1, isolation_level=None)
            held.execute("BEGIN IMMEDIATE")  # the service's writer waits behind this
            codes = results(4, 41)
            answers = []

            def submit(code):
                # "code" spelt with a percent escape is the field code all the same.
                answers.append(service.request("GET", "%s&name=Held&%%63ode=%s" % (LIST, code), timeout=30)[0])

            threads = [threading.Thread(target=submit, args=(c,)) for c, *_r in codes]
            for t in threads:
                t.start()
            time.sleep(0.3)
            slowest = 0
            for _ in range(10):
                started = time.monotonic()
                self.assertEqual(service.request("GET", "/healthz", timeout=5)[0], 200)
                slowest = max(slowest, time.monotonic() - started)
            held.rollback()
            for t in threads:
                t.join()
            self.assertLess(slowest, 0.25 * SCALE, "a health check waited for the held writer")
            self.assertEqual(answers, [201] * 4)
            # Answered from the database again, not from a remembered answer.
            status, _, body = service.request("GET", "%s&name=Held&%%63ode=%s" % (LIST, codes[0][0]))
            self.assertEqual(status, 200, body)

    def test_refused_fields_are_not_echoed(self):
        """A page carries only valid UTF-8 without control characters, whatever was refused."""
        with PrivateService(SERVICE, fresh_dir("echo"), "--rate-limit", "0") as service:
            good = results(1, 45)[0][0]
            cases = [
                "%s&name=ok&code=%%FF%%00%%3Cx%%3E" % LIST,
                "%s&name=%s%%FF%%00%%1B&code=%s" % (LIST, "n" * 1100, good),
                "%s&name=%%FF%%FEab&code=%s" % (LIST, good),
                "%s&name=a%%1Bb&code=%s" % (LIST, good),
            ]
            for path in cases:
                with self.subTest(path=path[:80]):
                    status, _, body = service.request("GET", path)
                    self.assertIn(status, (400, 422))
                    text = body.decode("utf-8")  # raises on a byte that is no UTF-8
                    self.assertFalse(re.search("[\x00-\x08\x0b\x0c\x0e-\x1f\x7f]", text), text[:300])
                    self.assertNotIn("<x>", text)

    def test_paging_is_bounded(self):
        with PrivateService(SERVICE, fresh_dir("paging"), "--rate-limit", "0") as service:
            for i, (code, *_r) in enumerate(results(25, 51)):
                service.request("POST", "/api/v1/highscores", json.dumps({"name": "P%d" % i, "code": code}), JSON)
            total = {t: json.loads(service.request("GET", "/api/v1/highscores?type=%d" % t)[2])["total"]
                     for t in (1, 8, 9)}
            busiest = max(total, key=total.get)
            cases = [
                ("/api/v1/highscores?type=%d&offset=1000000000000" % busiest, 200, '"entries":[]'),
                ("/api/v1/highscores?type=%d&offset=%d" % (busiest, total[busiest]), 200, '"entries":[]'),
                ("/api/v1/highscores?type=%d&offset=1000000000001" % busiest, 400, "offset must be"),
                ("/api/v1/highscores?type=%d&offset=-1" % busiest, 400, "offset must be"),
                ("%s&type=%d&page=50000000000" % (LIST, busiest), 404, "no such page"),
                ("%s&type=%d&page=50000000001" % (LIST, busiest), 400, "page must be"),
                ("%s&type=%d&page=2" % (LIST, busiest), 200 if total[busiest] > 20 else 404, ""),
                ("%s&type=%d&page=1" % (LIST, busiest), 200, ""),
            ]
            for path, status, piece in cases:
                with self.subTest(path=path):
                    started = time.monotonic()
                    got, _, body = service.request("GET", path)
                    self.assertEqual(got, status, body[:300])
                    self.assertIn(piece, body.decode())
                    self.assertLess(time.monotonic() - started, 0.5 * SCALE)
                    if status == 200 and "offset=1000000000000" in path:
                        self.assertIn('"total":%d' % total[busiest], body.decode())

    def test_deep_pages_leave_health_checks_fast(self):
        workdir = fresh_dir("burst")
        database = "sqlite:" + os.path.join(workdir, "highscores.db")
        lines = [{"name": "B%d" % (i % 97), "code": c} for i, (c, *_r) in enumerate(results(6000, 61))]
        self.assertEqual(command(database, "import", "-", stdin=jsonl(lines)).returncode, 0)
        with PrivateService(SERVICE, workdir, database=database) as service:
            stop = threading.Event()

            def walk(k):
                n = k
                while not stop.is_set():
                    n += 12
                    service.request("GET", "/api/v1/highscores?type=9&limit=100&offset=%d" % (n * 37 % 2000))

            walkers = [threading.Thread(target=walk, args=(k,)) for k in range(12)]
            for t in walkers:
                t.start()
            times = []
            for _ in range(40):
                started = time.monotonic()
                service.request("GET", "/healthz")
                times.append(time.monotonic() - started)
                time.sleep(0.02)
            stop.set()
            for t in walkers:
                t.join()
            times.sort()
            self.assertLess(times[len(times) // 2], 0.02 * SCALE, times)


class Hiding(unittest.TestCase):
    """The operator hides and shows an entry while the service (or two) runs on the list."""

    def run_case(self, database, workdirs):
        made = results(12, 71, per_result=2)  # six results, two codes each
        services = [PrivateService(SERVICE, w, "--rate-limit", "0", database=database).start() for w in workdirs]
        try:
            first = services[0]
            for i in range(0, 12, 2):
                status, _, body = first.request("POST", "/api/v1/highscores",
                                                json.dumps({"name": "H%d" % i, "code": made[i][0]}), JSON)
                self.assertEqual(status, 201, body)
            kind = made[0][2]

            def table(service):
                return [(e["name"], e["rank"]) for e in
                        json.loads(service.request("GET", "/api/v1/highscores?type=%d" % kind)[2])["entries"]]

            before = table(services[-1])
            victim = before[0][0]
            code = next(made[i][0] for i in range(0, 12, 2) if "H%d" % i == victim)
            second = next(made[i + 1][0] for i in range(0, 12, 2) if "H%d" % i == victim)
            found = command(database, "find", victim.lower())
            self.assertEqual(found.returncode, 0, found.stderr)
            row = found.stdout.splitlines()[0].split("\t")
            self.assertEqual((row[1], row[6], row[8]), (victim, "1", "shown"))
            done = command(database, "hide", row[0], "--reason", "not a real result")
            self.assertEqual((done.returncode, done.stdout), (0, "entry %s is hidden\n" % row[0]))
            time.sleep(1.1)  # every instance's remembered answers last a second at most
            for service in services:
                self.assertEqual(table(service), [(n, r - 1) for n, r in before[1:]])
            # Its codes stay used: the same code, or a new code of the same result, is gone.
            for language, text, path in [("en", "removed from the list", "%s&name=%s&code=%s" % (LIST, victim, code)),
                                         ("de", "von der Liste entfernt", "%s&name=%s&code=%s" % (LIST, victim, second))]:
                status, _, body = services[-1].request("GET", path, headers={"Accept-Language": language})
                self.assertEqual(status, 410)
                self.assertIn(text, body.decode())
            status, _, body = first.request("POST", "/api/v1/highscores", json.dumps({"name": victim, "code": code}), JSON)
            self.assertEqual((status, json.loads(body)["error"]), (410, "this result has been removed from the list"))
            row = command(database, "find", victim).stdout.splitlines()[0].split("\t")
            self.assertEqual((row[6], row[8], row[10]), ("-", "hidden", "not a real result"))
            self.assertEqual(command(database, "show", row[0]).stdout, "entry %s is shown again\n" % row[0])
            time.sleep(1.1)
            for service in services:
                self.assertEqual(table(service), before)
            self.assertTrue(counts_agree(database))
            self.assertEqual(command(database, "hide", "999999").returncode, 1)
            self.assertEqual(command(database, "hide", "x").returncode, 2)
        finally:
            for service in services:
                service.stop()

    def test_sqlite(self):
        workdir = fresh_dir("hide-sqlite")
        self.run_case("sqlite:" + os.path.join(workdir, "highscores.db"), [workdir])

    @unittest.skipUnless(POSTGRES, "no private PostgreSQL")
    def test_postgres_two_instances(self):
        self.run_case(fresh_postgres(), [fresh_dir("hide-pg-1"), fresh_dir("hide-pg-2")])


class DatabaseFiles(unittest.TestCase):
    """The database's files changed under the running service: 503 and still running, never a
    201 for a commit that a restart would not find; /healthz says what submissions would meet."""

    def chattr(self, flag, path):
        return subprocess.run(["chattr", flag, path], capture_output=True).returncode == 0

    def test_files_changed_under_the_service(self):
        def delete_log(db):
            os.remove(db + "-wal")
            os.remove(db + "-shm")

        cases = [
            # (name, break the files, mend them or None where only a restart mends)
            ("log and index deleted", delete_log, None),
            ("index made immutable", lambda db: self.chattr("+i", db + "-shm"), lambda db: self.chattr("-i", db + "-shm")),
            ("log made immutable", lambda db: self.chattr("+i", db + "-wal"), lambda db: self.chattr("-i", db + "-wal")),
        ]
        codes = iter(results(200, 81))
        for name, spoil, mend in cases:
            with self.subTest(case=name):
                workdir = fresh_dir("files-" + name.split()[0] + "-" + name.split()[-1])
                with PrivateService(SERVICE, workdir, "--rate-limit", "0"):
                    pass  # a populated list, closed cleanly
                service = PrivateService(SERVICE, workdir, "--rate-limit", "0").start()
                db = service.database[len("sqlite:"):]
                kept = set()
                for _ in range(3):
                    code = next(codes)[0]
                    self.assertEqual(service.request("POST", "/api/v1/highscores",
                                                     json.dumps({"name": "F", "code": code}), JSON)[0], 201)
                    kept.add(code)
                if spoil(db) is False:
                    service.kill()
                    self.skipTest("chattr is not available here")
                refused = [next(codes)[0] for _ in range(5)]
                for code in refused:
                    status, _, body = service.request("POST", "/api/v1/highscores",
                                                      json.dumps({"name": "F", "code": code}), JSON)
                    self.assertEqual(status, 503, body)
                    self.assertEqual(service.request("GET", "%s&name=F&code=%s" % (LIST, code))[0], 503)
                self.assertEqual(service.request("GET", "/healthz")[0], 503)
                self.assertIsNone(service.process.poll(), "the service ended")
                if mend:
                    mend(db)
                    self.assertEqual(service.request("GET", "/healthz")[0], 200)
                    code = next(codes)[0]
                    self.assertEqual(service.request("POST", "/api/v1/highscores",
                                                     json.dumps({"name": "F", "code": code}), JSON)[0], 201)
                    kept.add(code)
                service.kill()
                with PrivateService(SERVICE, workdir, "--rate-limit", "0"):
                    pass  # starts again on what is left
                stored = {r[0] for r in sqlite3.connect(db).execute("SELECT code FROM codes")}
                self.assertFalse(stored & set(refused), "answered 503 and stored")
                if mend:  # (commits that lived in a deleted log went with it)
                    self.assertFalse(kept - stored, "answered 201 and lost")


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + sys.argv[4:], verbosity=2)
