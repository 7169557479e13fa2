#!/usr/bin/python3
"""The running service against hostile clients and a careless operator: a log nobody reads,
too few file descriptors, forged forwarding headers, a client that pipelines without end,
connections made while it stops, stray signals, a held database writer and many idle
connections.

    attack_test.py SERVICE MAKE_CODES WORKDIR [unittest arguments]
"""

import os
import resource
import shutil
import signal
import socket
import sqlite3
import subprocess
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "highscores"))
from private_service import PrivateService  # noqa: E402

SERVICE, MAKE_CODES, WORK = (os.path.abspath(p) for p in sys.argv[1:4])
LIST = "/index.php?ziel=medsudokuhighscore"
# The sanitizer build runs several times slower; its time limits stretch by this.
SCALE = float(os.environ.get("VANTRELL_TEST_TIME_SCALE", "1"))
SANITIZED = "libasan" in subprocess.run(["ldd", SERVICE], capture_output=True, text=True).stdout

# Sends 100,000 requests at once on one connection and reads the answers as they come. The
# emblem is answered from memory on the network thread, so nothing but the server's own order
# stands between one of these requests and the next.
PIPELINING_CLIENT = r"""
import socket, sys, threading
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=30)
threading.Thread(target=lambda: s.sendall(b"GET /static/emblem.svg HTTP/1.1\r\nHost: a\r\n\r\n" * 100000), daemon=True).start()
while s.recv(1 << 20):
    pass
"""


def genuine_codes(count, seed):
    out = subprocess.run([MAKE_CODES, str(count), str(seed)], check=True, capture_output=True, text=True).stdout
    return [line.split()[0] for line in out.splitlines()]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def fresh(name):
    path = os.path.join(WORK, name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def wait_healthy(port, timeout=20):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            if get(port, "/healthz", timeout=2)[0] == 200:
                return
        except OSError:
            pass
        time.sleep(0.05)
    raise AssertionError("the service did not answer on port %d" % port)


def exchange(port, requests, timeout=5):
    """Sends requests on a fresh connection; returns all that comes back until the service closes it."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(requests)
        data = b""
        while True:
            chunk = s.recv(65536)
            if not chunk:
                return data
            data += chunk


def get(port, path, timeout=5):
    """One request on a fresh connection: (status, seconds taken)."""
    started = time.monotonic()
    data = exchange(port, b"GET " + path.encode() + b" HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n", timeout)
    return int(data.split(b" ", 2)[1]), time.monotonic() - started


def read(path):
    with open(path, errors="replace") as f:
        return f.read()


def cpu_seconds(pid):
    fields = read("/proc/%d/stat" % pid).rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rss_mb(pid):
    for line in read("/proc/%d/status" % pid).splitlines():
        if line.startswith("VmRSS:"):
            return int(line.split()[1]) / 1024
    raise AssertionError("no VmRSS")


class Attacks(unittest.TestCase):
    def test_log_nobody_reads(self):
        """Standard error into a pipe that is never read: every request is still answered (the
        log drops lines instead), and SIGTERM still ends the service."""
        dir = fresh("pipe")
        port = free_port()
        process = subprocess.Popen([SERVICE, "--listen", "127.0.0.1:%d" % port, "--database",
                                    "sqlite:" + os.path.join(dir, "h.db")], stderr=subprocess.PIPE)
        try:
            wait_healthy(port)
            # 3,000 requests with long addresses: about 3 MB of access log, fifty pipes full.
            path = "/healthz?" + "x" * 1000
            answered = 0
            for _ in range(30):
                data = exchange(port, (b"GET " + path.encode() + b" HTTP/1.1\r\nHost: a\r\n\r\n") * 99
                                + b"GET /healthz HTTP/1.1\r\nHost: a\r\nConnection: close\r\n\r\n")
                answered += data.count(b"HTTP/1.1 200 ")
            self.assertEqual(answered, 3000)
            process.send_signal(signal.SIGTERM)
            self.assertEqual(process.wait(20), 0)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
            process.stderr.close()

    def test_out_of_file_descriptors(self):
        """Under a limit of 70 files, 200 idle connections: the service waits for files instead of
        spinning on accept, says so once, and serves again when the connections are gone."""
        if SANITIZED:
            # Its runtime needs a pipe to tell whether memory can be read, and reports a fault
            # when it cannot open one.
            self.skipTest("the sanitizers need files of their own")
        dir = fresh("nofile")
        port = free_port()
        log_path = os.path.join(dir, "service.log")
        with open(log_path, "wb") as log:
            process = subprocess.Popen(["prlimit", "--nofile=70:70", SERVICE, "--listen", "127.0.0.1:%d" % port,
                                        "--database", "sqlite:" + os.path.join(dir, "h.db")], stderr=log)
        idle = []
        try:
            wait_healthy(port)
            for _ in range(200):
                idle.append(socket.create_connection(("127.0.0.1", port), timeout=5))
            time.sleep(0.5)
            before = cpu_seconds(process.pid)
            time.sleep(4)
            spent = cpu_seconds(process.pid) - before
            self.assertLess(spent, 0.5, "CPU seconds in 4 s with the files used up")
            log = read(log_path)
            self.assertIn("Too many open files", log)
            self.assertLessEqual(log.count("Too many open files"), 2, log[-2000:])
            for s in idle:
                s.close()
            idle = []
            wait_healthy(port, timeout=10)
            process.send_signal(signal.SIGTERM)
            self.assertEqual(process.wait(20), 0)
            print("CPU in 4 s without files: %.2f s" % spent)
        finally:
            for s in idle:
                s.close()
            if process.poll() is None:
                process.kill()
                process.wait()

    def test_mapped_forwarded_addresses_are_separate_clients(self):
        """Behind a trusted proxy, eleven clients forwarded as ::ffff:198.51.N.7 are eleven clients,
        each within the limit of ten submissions a minute."""
        codes = genuine_codes(11, seed=23)
        with PrivateService(SERVICE, fresh("mapped"), "--trusted-proxy", "127.0.0.1") as service:
            for n, code in enumerate(codes):
                status, _, body = service.request("POST", "/api/v1/highscores", '{"name": "M", "code": "%s"}' % code,
                                                  {"Content-Type": "application/json",
                                                   "X-Forwarded-For": "::ffff:198.51.%d.7" % n})
                self.assertEqual(status, 201, (n, body))

    def test_pipelining_client_does_not_hold_others(self):
        """Three clients (processes of their own) each pipeline 100,000 requests and read the answers
        as fast as they come; meanwhile a fourth client's requests are answered without waiting for
        theirs."""
        with PrivateService(SERVICE, fresh("pipeline")) as service:
            clients = [subprocess.Popen([sys.executable, "-c", PIPELINING_CLIENT, str(service.port)]) for _ in range(3)]
            try:
                time.sleep(0.3)
                slowest = 0
                for _ in range(40):
                    status, took = get(service.port, "/healthz?other")
                    self.assertEqual(status, 200)
                    slowest = max(slowest, took)
                    time.sleep(0.02)
            finally:
                for c in clients:
                    c.kill()
                    c.wait()
            self.assertLess(slowest, 0.15 * SCALE)
            print("slowest answer beside three pipelining clients: %.0f ms" % (slowest * 1000))

    def test_new_connections_are_refused_while_stopping(self):
        """After SIGTERM, while a client that does not read holds the service in its grace period,
        a new connection is refused at once rather than left waiting."""
        service = PrivateService(SERVICE, fresh("grace")).start()
        stuck = socket.socket()
        stuck.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        stuck.connect(("127.0.0.1", service.port))
        try:
            stuck.sendall(b"GET / HTTP/1.1\r\nHost: a\r\n\r\n" * 3000)  # answers it never reads
            time.sleep(0.5)
            service.process.send_signal(signal.SIGTERM)
            time.sleep(0.5)
            self.assertIsNone(service.process.poll(), "the grace period ended early")
            with self.assertRaises(ConnectionRefusedError):
                socket.create_connection(("127.0.0.1", service.port), timeout=2).close()
        finally:
            stuck.close()
        self.assertEqual(service.stop(), 0)

    def test_stray_signals(self):
        """SIGHUP and SIGUSR1 leave the service serving; SIGQUIT stops it as SIGTERM does."""
        service = PrivateService(SERVICE, fresh("signals")).start()
        for stray in (signal.SIGHUP, signal.SIGUSR1, signal.SIGHUP):
            service.process.send_signal(stray)
            time.sleep(0.3)
            self.assertIsNone(service.process.poll(), signal.Signals(stray).name)
            self.assertEqual(service.request("GET", "/healthz")[0], 200)
        self.assertIn("connections open", service.log())
        service.process.send_signal(signal.SIGQUIT)
        self.assertEqual(service.process.wait(20), 0)
        self.assertIn("stopped", service.log())

    def test_healthz_while_the_writer_is_held(self):
        """With the database's write lock held elsewhere, submissions whose field names are
        percent-encoded (%63ode=) wait on the service's threads: another client's /healthz is
        answered at once."""
        dir = fresh("held")
        codes = genuine_codes(6, seed=29)
        with PrivateService(SERVICE, dir, "--rate-limit", "0") as service:
            holder = sqlite3.connect(os.path.join(dir, "highscores.db"), isolation_level=None, timeout=10)
            holder.execute("BEGIN IMMEDIATE")
            waiting = [threading.Thread(target=lambda c=c: get(service.port, LIST + "&name=H&%63ode=" + c, timeout=20))
                       for c in codes]
            try:
                for w in waiting:
                    w.start()
                time.sleep(0.5)
                slowest = max(get(service.port, "/healthz", timeout=10)[1] for _ in range(5))
                self.assertLess(slowest, 1.0 * SCALE)
            finally:
                holder.execute("ROLLBACK")
                holder.close()
                for w in waiting:
                    w.join()

    def test_memory_returns_after_idle_connections(self):
        """5,000 idle connections: once they are closed, the service's memory is back within 10 MB
        of what it was before them."""
        if SANITIZED:
            self.skipTest("AddressSanitizer keeps freed memory in quarantine")
        soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
        if hard != resource.RLIM_INFINITY and hard < 6000:
            self.skipTest("needs 6,000 files, the limit is %d" % hard)
        resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
        with PrivateService(SERVICE, fresh("memory")) as service:
            pid = service.process.pid
            before = rss_mb(pid)
            idle = []
            try:
                for _ in range(5000):
                    s = socket.create_connection(("127.0.0.1", service.port), timeout=5)
                    s.sendall(b"G")
                    idle.append(s)
                time.sleep(1)
                self.assertEqual(service.request("GET", "/healthz")[0], 200)
                held = rss_mb(pid)
            finally:
                for s in idle:
                    s.close()
            deadline = time.monotonic() + 10
            while rss_mb(pid) > before + 10 and time.monotonic() < deadline:
                time.sleep(0.2)
            after = rss_mb(pid)
            print("resident memory: %.1f MB idle, %.1f MB with 5,000 connections, %.1f MB after" % (before, held, after))
            self.assertLess(after, before + 10)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + sys.argv[4:], verbosity=2)
