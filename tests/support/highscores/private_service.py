"""A private vantrell-highscores for tests: its own database in a temporary folder, a free
port on 127.0.0.1 chosen by the system, started and stopped by the test itself.

    with PrivateService(binary, workdir, "--rate-limit", "0") as service:
        status, headers, body = service.request("GET", "/healthz")

stop() sends SIGTERM and requires exit code 0 (the sanitizer build reports leaks and
errors through the exit code). As a command, it runs a program with the service's address
in VANTRELL_TEST_HIGHSCORES_URL:

    private_service.py BINARY WORKDIR [service options...] -- PROGRAM [arguments...]
"""

import http.client
import os
import re
import shutil
import signal
import subprocess
import sys
import time


def fresh_dir(parent, name):
    """An empty folder parent/name, for one test's service and files."""
    path = os.path.join(parent, name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def genuine_results(make_codes, count, seed, per_result=1):
    """(code, points, type, givens, set) of genuine codes from make_codes."""
    out = subprocess.run([make_codes, str(count), str(seed), str(per_result)], check=True, capture_output=True,
                         text=True).stdout
    return [(c, int(p), int(t), int(g), s) for c, p, t, g, s in (line.split() for line in out.splitlines())]


class ServiceError(Exception):
    pass


class PrivateService:
    def __init__(self, binary, workdir, *options, database=None, env=None):
        self.binary = binary
        self.workdir = workdir
        self.options = list(options)
        os.makedirs(workdir, exist_ok=True)
        self.database = database or "sqlite:" + os.path.join(workdir, "highscores.db")
        self.env = env
        self.process = None
        self.port = None
        self.log_path = os.path.join(workdir, "service.log")

    # ---- life

    def start(self, timeout=20):
        self._log = open(self.log_path, "ab")
        self._log_start = self._log.tell()
        args = [self.binary, "--listen", "127.0.0.1:0", "--database", self.database] + self.options
        self.process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=self._log,
                                        stderr=self._log, cwd=self.workdir, env=self.env)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            match = re.search(r"listening on 127\.0\.0\.1:(\d+)", self.log())
            if match:
                self.port = int(match.group(1))
                break
            if self.process.poll() is not None:
                raise ServiceError("the service ended with exit code %d:\n%s" % (self.process.returncode, self.log()))
            time.sleep(0.02)
        else:
            self.kill()
            raise ServiceError("the service did not start listening:\n" + self.log())
        while time.monotonic() < deadline:
            try:
                if self.request("GET", "/healthz", timeout=2)[0] == 200:
                    return self
            except OSError:
                pass
            time.sleep(0.05)
        self.kill()
        raise ServiceError("the service did not become healthy:\n" + self.log())

    def stop(self, timeout=20):
        """SIGTERM; returns the exit code (0 expected), waits at most timeout seconds."""
        if not self.process or self.process.poll() is not None:
            return self.process.returncode if self.process else 0
        self.process.send_signal(signal.SIGTERM)
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise ServiceError("the service did not end within %d s of SIGTERM" % timeout)
        finally:
            self._log.close()

    def kill(self):
        """SIGKILL: the process gets no chance to tidy up."""
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self._log.close()

    def __enter__(self):
        return self.start()

    def __exit__(self, kind, value, trace):
        if kind is not None:
            self.kill()
            return False
        code = self.stop()
        if code != 0:
            raise ServiceError("the service ended with exit code %d:\n%s" % (code, self.log()[-4000:]))
        return False

    def log(self):
        """What the service wrote since it was started."""
        with open(self.log_path, "rb") as f:
            f.seek(self._log_start)
            return f.read().decode("utf-8", "replace")

    # ---- talking to it

    @property
    def url(self):
        return "http://127.0.0.1:%d" % self.port

    def request(self, method, path, body=None, headers=None, timeout=10):
        """One request on a fresh connection: (status, headers as a lower-case dict, body bytes)."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        try:
            connection.request(method, path, body=body, headers=headers or {})
            response = connection.getresponse()
            data = response.read()
            return response.status, {k.lower(): v for k, v in response.getheaders()}, data
        finally:
            connection.close()


def main(argv):
    if "--" not in argv or len(argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    split = argv.index("--")
    binary, workdir, options, program = argv[1], argv[2], argv[3:split], argv[split + 1:]
    for suffix in ("", "-wal", "-shm"):  # a fresh list for every run
        path = os.path.join(workdir, "highscores.db" + suffix)
        if os.path.exists(path):
            os.remove(path)
    service = PrivateService(binary, workdir, *options).start()
    try:
        env = dict(os.environ, VANTRELL_TEST_HIGHSCORES_URL=service.url)
        code = subprocess.call(program, env=env)
    finally:
        stopped = service.stop()
    if stopped != 0:
        print("the service ended with exit code %d:\n%s" % (stopped, service.log()[-4000:]), file=sys.stderr)
        return 1
    return code


if __name__ == "__main__":
    sys.exit(main(sys.argv))
