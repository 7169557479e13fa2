#!/usr/bin/python3
"""The running service over HTTP: its routes and answers, the rules of the list as a client
sees them, limits and time-outs, its command line, shutdown and what survives a kill.

    http_test.py SERVICE MAKE_CODES WORKDIR [unittest arguments]
"""

import http.client
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time
import unittest
import urllib.parse

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "highscores"))
from private_service import PrivateService  # noqa: E402

SERVICE, MAKE_CODES, WORK = (os.path.abspath(p) for p in sys.argv[1:4])
LIST = "/index.php?ziel=medsudokuhighscore"


def genuine_codes(count, seed=1):
    """[(code, points, type, givens, set)] of distinct genuine results."""
    out = subprocess.run([MAKE_CODES, str(count), str(seed)], check=True, capture_output=True, text=True).stdout
    return [(c, int(p), int(t), int(g), s) for c, p, t, g, s in (line.split() for line in out.splitlines())]


def game_address(name, code):
    """The address exactly as the game builds it: the name's UTF-8 percent-encoded, unreserved
    characters kept (results/highscore_address.cpp)."""
    return LIST + "&name=" + urllib.parse.quote(name, safe="-._~") + "&code=" + code


def api_post(service, payload, headers=None):
    body = payload if isinstance(payload, bytes) else json.dumps(payload).encode()
    return service.request("POST", "/api/v1/highscores", body,
                           dict({"Content-Type": "application/json"}, **(headers or {})))


def total(service, game_type):
    status, _, body = service.request("GET", "/api/v1/highscores?type=%d&limit=100" % game_type)
    assert status == 200, status
    return json.loads(body)["total"]


class Service(unittest.TestCase):
    """One service for the tests that do not need options of their own."""

    @classmethod
    def setUpClass(cls):
        cls.dir = os.path.join(WORK, "main")
        shutil.rmtree(cls.dir, ignore_errors=True)
        cls.service = PrivateService(SERVICE, cls.dir, "--rate-limit", "0").start()
        cls.codes = genuine_codes(60, seed=7)

    @classmethod
    def tearDownClass(cls):
        code = cls.service.stop()
        assert code == 0, "exit code %d\n%s" % (code, cls.service.log()[-3000:])

    def code(self, i):
        return self.codes[i][0]

    def test_routes(self):
        """Method, address and what must come back: status, type and a piece of the body."""
        json_type, html_type = "application/json", "text/html; charset=utf-8"
        rows = [
            ("GET", "/", {}, 200, html_type, b'<form method="post" action="/index.php?ziel=medsudokuhighscore">'),
            ("GET", LIST, {}, 200, html_type, b"9x9 Classical"),
            ("GET", LIST, {"Accept-Language": "de-DE,de;q=0.9"}, 200, html_type, b"9x9 Felder Klassisch"),
            ("GET", LIST + "&type=8&page=1", {}, 200, html_type, b"Page 1 of 1"),
            ("GET", LIST + "&type=3", {}, 400, html_type, b"type must be 1, 8 or 9"),
            ("GET", LIST + "&type=8&page=0", {}, 400, html_type, b"page must be"),
            ("GET", LIST + "&name=%zz", {}, 400, html_type, b"broken percent escape"),
            ("GET", LIST + "&entry=999999", {}, 404, html_type, b"There is no such page"),
            ("GET", "/index.php?ziel=other", {}, 404, html_type, b"There is no such page"),
            ("GET", "/index.php", {}, 404, html_type, b"There is no such page"),
            ("GET", "/admin", {}, 404, html_type, b"There is no such page"),
            ("DELETE", "/", {}, 405, html_type, b"does not take that kind of request"),
            ("GET", "/api/v1/highscores?type=1", {}, 200, json_type, b'"type":1,"total":'),
            ("GET", "/api/v1/highscores?type=9&limit=100&offset=5", {}, 200, json_type, b'"entries":['),
            ("GET", "/api/v1/highscores", {}, 400, json_type, b'{"error":"type must be 1, 8 or 9"}'),
            ("GET", "/api/v1/highscores?type=7", {}, 400, json_type, b"type must be"),
            ("GET", "/api/v1/highscores?type=1&limit=0", {}, 400, json_type, b"limit must be 1 to 100"),
            ("GET", "/api/v1/highscores?type=1&limit=101", {}, 400, json_type, b"limit must be 1 to 100"),
            ("GET", "/api/v1/highscores?type=1&offset=-1", {}, 400, json_type, b"offset must be"),
            ("PUT", "/api/v1/highscores", {}, 405, json_type, b"method not allowed"),
            ("GET", "/api/v2/highscores", {}, 404, json_type, b"no such resource"),
            ("GET", "/healthz", {}, 200, "text/plain; charset=utf-8", b"ok"),
            ("POST", "/healthz", {}, 405, html_type, b""),
            ("GET", "/static/highscores.css", {}, 200, "text/css; charset=utf-8", b"rgb(255, 253, 240)"),
            ("GET", "/static/emblem.svg", {}, 200, "image/svg+xml", b"<svg"),
        ]
        for method, path, headers, status, content_type, piece in rows:
            with self.subTest(method=method, path=path, headers=headers):
                got, answer, body = self.service.request(method, path, headers=headers)
                self.assertEqual(got, status, body[:300])
                self.assertEqual(answer["content-type"], content_type)
                self.assertIn(piece, body)
                self.assertEqual(int(answer["content-length"]), len(body))
                self.assertIn("default-src 'none'", answer["content-security-policy"])
                self.assertEqual(answer["x-content-type-options"], "nosniff")
                if status == 405:
                    self.assertIn("GET", answer["allow"])
                # HEAD carries GET's header and no body.
                if method == "GET":
                    head, head_answer, head_body = self.service.request("HEAD", path, headers=headers)
                    self.assertEqual((head, head_body), (status, b""))
                    self.assertEqual(head_answer["content-length"], answer["content-length"])

    def test_game_address_enters_once(self):
        """The game's address stores the entry (201), a reload or a link preview changes nothing
        (200, no second row), and the page shows the entry, its rank and its neighbours."""
        code, points, game_type = self.codes[0][0], self.codes[0][1], self.codes[0][2]
        before = total(self.service, game_type)
        for attempt, expected in enumerate([201, 200, 200]):
            status, answer, body = self.service.request("GET", game_address("Zoë Lux", code))
            self.assertEqual(status, expected, body[:400])
            page = body.decode()
            self.assertEqual(page.count('aria-current="true"'), 1)
            row = re.search(r'<tr class="mine" aria-current="true"><td class="num">(\d+)</td><td><bdi>([^<]*)</bdi>'
                            r'</td><td class="num">(\d+)</td>', page)
            self.assertIsNotNone(row, page)
            self.assertEqual((row.group(2), int(row.group(3))), ("Zoë Lux", points))
            self.assertIn("rank %s in" % row.group(1), page)
            self.assertIn("Your result is in the list" if attempt == 0 else "already stands in the list", page)
        self.assertEqual(total(self.service, game_type), before + 1)
        # "+" for a space and lower-case escapes reach the same entry.
        plus = LIST + "&name=Zo%c3%ab+Lux&code=" + code
        self.assertEqual(self.service.request("GET", plus)[0], 200)
        self.assertEqual(total(self.service, game_type), before + 1)

    def test_submission_answers(self):
        """The API's answer to each kind of submission."""
        genuine, other = self.code(1), self.code(2)
        rows = [
            ({"name": "Ann", "code": genuine}, 201, '"name":"Ann"'),
            ({"name": "Ann", "code": genuine}, 200, '"name":"Ann"'),
            ({"name": "Bob", "code": genuine}, 409, "under another name"),
            ({"code": other}, 201, '"name":""'),
            ({"name": "Ann", "code": "12345"}, 422, "a code has 23 digits, this one has 5 characters"),
            ({"name": "Ann", "code": "00055404410242132347198"}, 422,
             "43708 points are more than the 27240 that a classic 9x9 game with 40 given cells and blue numbers"),
            ({"name": "x" * 31, "code": self.code(3)}, 400, "a name has at most 30 characters"),
            ({"name": "a\u0007b", "code": self.code(3)}, 400, "control character"),
            ({"name": 5, "code": self.code(3)}, 400, '"name" must be a string'),
            (b'{"name": "Ann", "code": ', 400, "not valid JSON"),
            (b'{"name": "\xff", "code": "1"}', 400, "not valid JSON"),
            ({"name": "Ann", "code": "x" * 5000}, 413, "larger than 4 KiB"),
        ]
        for payload, status, piece in rows:
            with self.subTest(payload=payload if isinstance(payload, bytes) else json.dumps(payload)[:80]):
                got, answer, body = api_post(self.service, payload)
                self.assertEqual(got, status, body)
                self.assertEqual(answer["content-type"], "application/json")
                document = json.loads(body)
                self.assertIn(piece, body.decode() if status in (200, 201) else document["error"])
                if status in (200, 201):
                    self.assertEqual(set(document), {"rank", "type", "name", "points", "givens", "set", "entered"})
                    self.assertRegex(document["entered"], r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$")
                else:
                    self.assertEqual(list(document), ["error"])
        # The entry with the empty name, as the pages show it.
        for language, shown in (("en", "Anonymous"), ("de", "Anonym")):
            status, _, body = self.service.request("GET", game_address("", other),
                                                   headers={"Accept-Language": language})
            self.assertEqual(status, 200)
            self.assertIn('<tr class="mine" aria-current="true"><td class="num">', body.decode())
            self.assertIn("<bdi>%s</bdi>" % shown, body.decode())

    def test_list_is_ranked_and_paged(self):
        """The API pages through one type best first; ranks run on across pages."""
        for i in range(10, 40):
            code, _, game_type, _, _ = self.codes[i]
            self.assertIn(api_post(self.service, {"name": "R%d" % i, "code": code})[0], (200, 201))
        for game_type in (1, 8, 9):
            status, _, body = self.service.request("GET", "/api/v1/highscores?type=%d&limit=100" % game_type)
            whole = json.loads(body)
            self.assertEqual(whole["type"], game_type)
            self.assertEqual(len(whole["entries"]), whole["total"])
            points = [e["points"] for e in whole["entries"]]
            self.assertEqual(points, sorted(points, reverse=True))
            self.assertEqual([e["rank"] for e in whole["entries"]], list(range(1, whole["total"] + 1)))
            if whole["total"] < 3:
                continue
            status, _, body = self.service.request("GET", "/api/v1/highscores?type=%d&limit=2&offset=1" % game_type)
            page = json.loads(body)
            self.assertEqual(page["total"], whole["total"])
            self.assertEqual(page["entries"], whole["entries"][1:3])

    def test_hand_entry_form(self):
        """The form posts, is answered with a redirect to the entry, and a refused code comes back
        with the form filled in as it was sent."""
        form = {"Content-Type": "application/x-www-form-urlencoded"}
        body = urllib.parse.urlencode({"name": "Hand Written", "code": " " + self.code(4) + " "})
        status, answer, _ = self.service.request("POST", LIST, body, form)
        self.assertEqual(status, 303)
        location = answer["location"]
        self.assertRegex(location, r"^/index\.php\?ziel=medsudokuhighscore&entry=\d+&new=1$")
        status, _, page = self.service.request("GET", location)
        self.assertEqual(status, 200)
        self.assertIn("<bdi>Hand Written</bdi>", page.decode())
        self.assertIn("Your result is in the list", page.decode())
        # The same again: the standing entry.
        status, answer, _ = self.service.request("POST", LIST, body, form)
        self.assertEqual((status, answer["location"]), (303, location[:-1] + "0"))
        rows = [
            ({"name": "Eve", "code": "1234"}, 422, "a code has 23 digits"),
            ({"name": "Eve", "code": self.code(4)}, 409, "under another name"),
            ({"name": "E" * 40, "code": self.code(5)}, 400, "at most 30 characters"),
        ]
        for fields, status, piece in rows:
            with self.subTest(fields=fields):
                got, _, page = self.service.request("POST", LIST, urllib.parse.urlencode(fields), form)
                self.assertEqual(got, status)
                self.assertIn(piece, page.decode())
                self.assertIn('value="%s"' % fields["name"], page.decode())
        self.assertEqual(self.service.request("POST", LIST, body, {"Content-Type": "text/plain"})[0], 400)

    def test_hostile_names_are_text(self):
        """Whatever a name holds is shown as text, isolated for right-to-left scripts."""
        names = ['<script>alert("x")</script>', "'><img src=x onerror=alert(1)>", "&amp; &lt;",
                 "\u202eevil", "שלום עולם"]
        for i, name in enumerate(names):
            with self.subTest(name=name):
                status, _, body = self.service.request("GET", game_address(name, self.code(40 + i)))
                self.assertEqual(status, 201)
                page = body.decode()
                escaped = (name.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
                           .replace('"', "&quot;").replace("'", "&#39;"))
                self.assertIn("<bdi>%s</bdi>" % escaped, page)
                self.assertNotIn("<script", page)
                self.assertNotIn("<img src=x", page)

    def test_limits(self):
        """Header, address and body sizes have limits, answered and closed."""
        status, _, body = self.service.request("GET", "/", headers={"X-Filler": "a" * 10000})
        self.assertEqual(status, 431)
        status, _, _ = self.service.request("GET", LIST + "&x=" + "a" * 9000)
        self.assertEqual(status, 431)
        status, _, body = self.service.request("POST", LIST, "name=" + "a" * 5000,
                                               {"Content-Type": "application/x-www-form-urlencoded"})
        self.assertEqual(status, 413)
        self.assertIn(b"too large", body)
        # Rubbish instead of HTTP.
        with socket.create_connection(("127.0.0.1", self.service.port), timeout=5) as s:
            s.sendall(b"HELLO THERE\r\n\r\n")
            self.assertTrue(s.recv(100).startswith(b"HTTP/1.1 400 "))

    def test_keep_alive_and_access_log(self):
        """Many requests on one connection; one access-log line each."""
        before = self.service.log().count('"GET /healthz?keep-alive"')
        connection = http.client.HTTPConnection("127.0.0.1", self.service.port, timeout=5)
        sockets = set()
        for _ in range(20):
            connection.request("GET", "/healthz?keep-alive")
            response = connection.getresponse()
            self.assertEqual(response.read(), b"ok\n")
            self.assertNotEqual(response.getheader("Connection"), "close")
            sockets.add(id(connection.sock))
        connection.close()
        self.assertEqual(len(sockets), 1)
        time.sleep(0.2)
        lines = [l for l in self.service.log().splitlines() if '"GET /healthz?keep-alive"' in l]
        self.assertEqual(len(lines) - before, 20)
        self.assertRegex(lines[-1], r'^\d{4}-\d\d-\d\dT[\d:.]+Z 127\.0\.0\.1 "GET /healthz\?keep-alive" 200 3 [\d.]+ms$')
        # Requests sent together are answered in order, each whole.
        with socket.create_connection(("127.0.0.1", self.service.port), timeout=5) as s:
            s.sendall(b"GET /healthz HTTP/1.1\r\nHost: a\r\n\r\nGET /nowhere HTTP/1.1\r\nHost: a\r\n\r\n"
                      b"HEAD /healthz HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n")
            answers = answer_then_close(s)
        statuses = re.findall(rb"^HTTP/1\.1 (\d+) ", answers, re.M)
        self.assertEqual(statuses, [b"200", b"404", b"200"])
        self.assertTrue(answers.endswith(b"\r\n\r\n"), answers[-200:])  # HEAD: no body after the last head


def answer_then_close(s, timeout=3):
    """What the service sent before it closed the connection; fails if it did not close."""
    s.settimeout(timeout)
    data = b""
    try:
        while True:
            chunk = s.recv(4096)
            if not chunk:
                return data
            data += chunk
    except ConnectionResetError:
        return data


class SlowClients(unittest.TestCase):
    def test_tricklers_hold_nothing(self):
        """200 connections that send one header byte every 5 s do not delay anyone else's answer
        past 1 s, and are cut off once a request has taken 10 s."""
        dir = os.path.join(WORK, "slow")
        shutil.rmtree(dir, ignore_errors=True)
        with PrivateService(SERVICE, dir, "--threads", "4") as service:
            tricklers = []
            for _ in range(200):
                s = socket.create_connection(("127.0.0.1", service.port), timeout=30)
                s.sendall(b"G")
                tricklers.append(s)
            stop = threading.Event()

            def trickle():
                while not stop.wait(5):
                    for s in tricklers:
                        try:
                            s.sendall(b"E")
                        except OSError:
                            pass

            feeder = threading.Thread(target=trickle)
            feeder.start()
            try:
                slowest = 0
                started = time.monotonic()
                while time.monotonic() - started < 12:
                    t0 = time.monotonic()
                    status, _, _ = service.request("GET", "/api/v1/highscores?type=1", timeout=5)
                    slowest = max(slowest, time.monotonic() - t0)
                    self.assertEqual(status, 200)
                    time.sleep(0.05)
                self.assertLess(slowest, 1.0)
                # By now each trickler has had its 10 s: the service closed it.
                for s in tricklers:
                    self.assertEqual(answer_then_close(s), b"")
                self.assertEqual(service.log().count('"- -" 408 0'), 200)
            finally:
                stop.set()
                feeder.join()
                for s in tricklers:
                    s.close()
            print("slowest answer among 200 trickling connections: %.0f ms" % (slowest * 1000))


class Lifecycle(unittest.TestCase):
    def run_service(self, *args, cwd=None, env=None):
        return subprocess.run([SERVICE] + list(args), capture_output=True, text=True, timeout=30, cwd=cwd, env=env)

    def test_command_line(self):
        """--help, --version, wrong calls and databases that cannot be opened: one line, an exit code."""
        dir = os.path.join(WORK, "cli")
        shutil.rmtree(dir, ignore_errors=True)
        os.makedirs(dir)
        with open(os.path.join(dir, "text.db"), "w") as f:
            f.write("not a database\n")
        rows = [
            (["--help"], 0, "stdout", "--listen HOST:PORT"),
            (["--version"], 0, "stdout", "vantrell-highscores 1.2"),
            (["--frobnicate"], 2, "stderr", "unknown option --frobnicate"),
            (["--database", "sqlite:" + dir + "/missing/h.db"], 1, "stderr", "cannot open database"),
            (["--database", "sqlite:" + dir + "/text.db"], 1, "stderr", "file is not a database"),
            (["--database", "postgresql://nobody:secret@/list?host=" + dir], 1, "stderr",
             "cannot open database postgresql://nobody@/list: cannot connect"),
            (["--pool", "0"], 2, "stderr", "--pool needs a number from 1 to 1000"),
            (["--listen", "192.0.2.1:80", "--database", "sqlite:" + dir + "/ok.db"], 1, "stderr", "cannot listen on"),
        ]
        for args, code, stream, piece in rows:
            with self.subTest(args=args):
                result = self.run_service(*args, cwd=dir)
                self.assertEqual(result.returncode, code, result.stderr)
                self.assertIn(piece, getattr(result, stream))
                if code == 1:
                    self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
                    self.assertNotIn("secret", result.stderr)

    def test_default_database_place(self):
        """Without --database the list lives in $STATE_DIRECTORY (systemd's), else the working folder;
        SIGTERM and SIGINT both end the service with exit code 0."""
        for state, stop in ((True, signal.SIGTERM), (False, signal.SIGINT)):
            with self.subTest(state_directory=state):
                dir = os.path.join(WORK, "place-%d" % state)
                shutil.rmtree(dir, ignore_errors=True)
                os.makedirs(os.path.join(dir, "state"))
                env = dict(os.environ)
                env.pop("STATE_DIRECTORY", None)
                if state:
                    env["STATE_DIRECTORY"] = os.path.join(dir, "state")
                process = subprocess.Popen([SERVICE, "--listen", "127.0.0.1:0"], cwd=dir, env=env,
                                           stderr=subprocess.PIPE, text=True)
                line = process.stderr.readline()
                process.send_signal(stop)
                process.communicate(timeout=20)
                self.assertEqual(process.returncode, 0)
                expected = os.path.join(dir, "state" if state else "", "highscores.db")
                self.assertTrue(os.path.exists(os.path.normpath(expected)), line)

    def submit_stream(self, service, codes, answered, errors, stop):
        """Submits codes one after another until stop is set; records the answered ones."""
        for code, *_ in codes:
            if stop.is_set():
                return
            try:
                status, _, body = api_post(service, {"name": "Stream", "code": code})
            except OSError as e:
                errors.append("%s: %s" % (type(e).__name__, e))  # the kind too: RemoteDisconnected says little else
                return
            if status in (200, 201):
                answered.append(code)
            elif status != 503:
                errors.append("%d %s" % (status, body))

    def test_kill_loses_no_answered_entry(self):
        """kill -9 at any moment during a stream of submissions: every entry answered 200 or 201 is
        in the list after a restart, and the database is whole."""
        dir = os.path.join(WORK, "kill")
        shutil.rmtree(dir, ignore_errors=True)
        codes = genuine_codes(3000, seed=11)
        for round, delay in enumerate((0.15, 0.35, 0.55)):
            service = PrivateService(SERVICE, dir, "--rate-limit", "0").start()
            answered, errors, stop = [], [], threading.Event()
            part = codes[round * 1000:(round + 1) * 1000]
            workers = [threading.Thread(target=self.submit_stream, args=(service, part[k::8], answered, errors, stop))
                       for k in range(8)]
            for w in workers:
                w.start()
            time.sleep(delay)
            service.kill()
            stop.set()
            for w in workers:
                w.join()
            self.assertGreater(len(answered), 0, errors)
            service = PrivateService(SERVICE, dir).start()
            stored = set()
            for game_type in (1, 8, 9):
                offset = 0
                while True:
                    _, _, body = service.request(
                        "GET", "/api/v1/highscores?type=%d&limit=100&offset=%d" % (game_type, offset))
                    entries = json.loads(body)["entries"]
                    stored.update((e["points"], game_type, e["givens"], e["set"]) for e in entries if e["name"] == "Stream")
                    if len(entries) < 100:
                        break
                    offset += 100
            by_code = {c: (p, t, g, s) for c, p, t, g, s in part}
            missing = [c for c in answered if by_code[c] not in stored]
            self.assertEqual(missing, [], "answered but lost after kill -9")
            self.assertEqual(service.stop(), 0)
            print("kill -9 after %.1f s: %d answered, all %d stored" % (delay, len(answered), len(answered)))

    def test_sigterm_finishes_requests_in_flight(self):
        """SIGTERM during a stream: answers already started are delivered whole, the service ends
        with exit code 0, and every answered entry is in the list."""
        dir = os.path.join(WORK, "term")
        shutil.rmtree(dir, ignore_errors=True)
        codes = genuine_codes(600, seed=13)
        service = PrivateService(SERVICE, dir, "--rate-limit", "0").start()
        answered, errors, stop = [], [], threading.Event()
        workers = [threading.Thread(target=self.submit_stream, args=(service, codes[k::8], answered, errors, stop))
                   for k in range(8)]
        for w in workers:
            w.start()
        time.sleep(0.5)
        self.assertEqual(service.stop(), 0, service.log()[-2000:])
        stop.set()
        for w in workers:
            w.join()
        # A request that found the service gone fails to connect, or finds its kept-alive
        # connection closed while it writes (reset, broken pipe); none may see a cut answer.
        refused = ("Connection refused", "RemoteDisconnected", "reset", "Broken pipe")
        self.assertTrue(all(any(r in e for r in refused) for e in errors), errors)
        self.assertIn("stopped", service.log())
        service = PrivateService(SERVICE, dir).start()
        self.assertEqual(sum(total(service, t) for t in (1, 8, 9)), len(answered))
        self.assertEqual(service.stop(), 0)

    def test_database_gone(self):
        """A database file deleted under the running service: /healthz says 503, submissions are
        refused with 503 rather than accepted into a file nobody will read again."""
        dir = os.path.join(WORK, "gone")
        shutil.rmtree(dir, ignore_errors=True)
        codes = genuine_codes(2, seed=19)
        with PrivateService(SERVICE, dir, "--rate-limit", "0") as service:
            self.assertEqual(api_post(service, {"name": "Before", "code": codes[0][0]})[0], 201)
            os.remove(os.path.join(dir, "highscores.db"))
            self.assertEqual(service.request("GET", "/healthz")[0], 503)
            status, _, body = api_post(service, {"name": "After", "code": codes[1][0]})
            self.assertEqual((status, json.loads(body)), (503, {"error": "the database does not answer"}))
            status, _, page = service.request("GET", game_address("After", codes[1][0]))
            self.assertEqual(status, 503)
            self.assertIn(b"cannot be reached right now", page)
            self.assertIn("storage: the database cannot be used", service.log())

    def test_rate_limit_and_proxies(self):
        """--rate-limit counts submissions per client; behind a trusted proxy the client is the one
        the proxy names, elsewhere X-Forwarded-For is ignored."""
        codes = genuine_codes(12, seed=17)
        for trusted in (False, True):
            dir = os.path.join(WORK, "limit-%d" % trusted)
            shutil.rmtree(dir, ignore_errors=True)
            options = ["--rate-limit", "2"] + (["--trusted-proxy", "127.0.0.1"] if trusted else [])
            with PrivateService(SERVICE, dir, *options) as service, self.subTest(trusted=trusted):
                def post(i, client):
                    return api_post(service, {"name": "L", "code": codes[i][0]}, {"X-Forwarded-For": client})
                self.assertEqual(post(0, "198.51.100.1")[0], 201)
                self.assertEqual(post(1, "198.51.100.1")[0], 201)
                status, answer, body = post(2, "198.51.100.1")
                self.assertEqual(status, 429, body)
                self.assertTrue(1 <= int(answer["retry-after"]) <= 30, answer)
                # Refused codes do not count; the page says when to try again.
                self.assertEqual(post(3, "198.51.100.1")[0], 429)
                status, answer, page = service.request("GET", game_address("L", codes[4][0]),
                                                       headers={"X-Forwarded-For": "198.51.100.1"})
                self.assertEqual(status, 429)
                self.assertIn(b"Please try again in", page)
                # Another client behind the proxy, or the same address when nobody vouches for it.
                self.assertEqual(post(5, "198.51.100.2")[0], 201 if trusted else 429)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + sys.argv[4:], verbosity=2)
