#!/usr/bin/python3
"""A private PostgreSQL for tests: a cluster of its own in a temporary folder, reached through
a Unix socket in that folder only (listen_addresses=''), started and stopped by the test
itself. It never touches the machine's own clusters.

    with PrivatePostgres() as pg:
        pg.uri            # postgresql://vantrell@/highscores?host=/tmp/vantrell-pg.XXXX
        pg.sql("SELECT count(*) FROM entries")
        pg.stop(); pg.start()   # gone, and back on the same data

initdb refuses to run as root, so as root the cluster runs as the user nobody in a folder
that only nobody may write. Unavailable is raised where this machine cannot run one (no
server binaries, no unprivileged user); tests then exit with 77.

As a command it runs a program with the cluster's address in VANTRELL_TEST_POSTGRES:

    private_postgres.py -- PROGRAM [arguments...]

Where no cluster can run, the program runs without one and a pass becomes exit code 77
(skipped), so a run that left PostgreSQL out is never reported as a full pass.
"""

import glob
import os
import pwd
import shutil
import subprocess
import sys
import tempfile
import time

USER = "vantrell"
DATABASE = "highscores"


class Unavailable(Exception):
    pass


class PostgresError(Exception):
    pass


def server_binaries():
    """The folder with initdb and pg_ctl: pg_config's, else the newest under /usr/lib/postgresql."""
    candidates = []
    try:
        candidates.append(subprocess.run(["pg_config", "--bindir"], capture_output=True, text=True,
                                         check=True).stdout.strip())
    except (OSError, subprocess.CalledProcessError):
        pass

    def version(path):
        try:
            return float(path.split("/")[-2])
        except ValueError:
            return 0.0
    candidates += sorted(glob.glob("/usr/lib/postgresql/*/bin"), key=version, reverse=True)
    for folder in candidates:
        if all(os.access(os.path.join(folder, tool), os.X_OK) for tool in ("initdb", "pg_ctl", "postgres", "psql")):
            return folder
    raise Unavailable("no PostgreSQL server (Debian package postgresql)")


class PrivatePostgres:
    def __init__(self, settings=None):
        self.bin = server_binaries()
        self.settings = dict(settings or {})
        self.as_nobody = os.geteuid() == 0
        if self.as_nobody:
            if not shutil.which("runuser"):
                raise Unavailable("running as root without runuser to start PostgreSQL as another user")
            try:
                self.nobody = pwd.getpwnam("nobody")
            except KeyError:
                raise Unavailable("running as root and there is no user nobody to run PostgreSQL")
        self.dir = None
        self.running = False

    # ---- life

    def _run(self, *command, check=True, timeout=60):
        prefix = ["runuser", "-u", "nobody", "--"] if self.as_nobody else []
        result = subprocess.run(prefix + list(command), cwd=self.dir, capture_output=True, text=True, timeout=timeout)
        if check and result.returncode != 0:
            raise PostgresError("%s failed (%d): %s%s" % (os.path.basename(command[0]), result.returncode,
                                                          result.stdout, result.stderr))
        return result

    @property
    def data(self):
        return os.path.join(self.dir, "data")

    @property
    def log_path(self):
        return os.path.join(self.dir, "postgres.log")

    def create(self):
        """A fresh cluster, started, with an empty database for the list."""
        # Short path: a Unix socket path is limited to 107 bytes.
        self.dir = tempfile.mkdtemp(prefix="vantrell-pg.", dir="/tmp")
        if self.as_nobody:
            os.chown(self.dir, self.nobody.pw_uid, self.nobody.pw_gid)
        os.chmod(self.dir, 0o700)
        self._watch()
        # --no-sync: the cluster is thrown away; its own commits still go to the disk.
        self._run(os.path.join(self.bin, "initdb"), "-D", self.data, "-U", USER, "-A", "trust", "-E", "UTF8",
                  "--locale=C", "--no-sync", "--no-instructions")
        settings = {
            "listen_addresses": "''",
            "unix_socket_directories": "'%s'" % self.dir,
            "max_connections": "60",
            "shared_buffers": "'32MB'",
            "logging_collector": "off",
        }
        settings.update(self.settings)
        with open(os.path.join(self.data, "postgresql.conf"), "a") as conf:
            conf.write("".join("%s = %s\n" % item for item in settings.items()))
        self.start()
        self.sql("CREATE DATABASE %s" % DATABASE, database="postgres")
        return self

    def _watch(self):
        """Should the test be killed outright, a detached watcher still stops the cluster and
        removes its folder once the test's process is gone."""
        runner = "runuser -u nobody -- " if self.as_nobody else ""
        script = ('while kill -0 "$1" 2>/dev/null; do sleep 1; done; '
                  + runner + '"$2/pg_ctl" -D "$3/data" -m immediate -s stop >/dev/null 2>&1; rm -rf "$3"')
        subprocess.run(["setsid", "-f", "sh", "-c", script, "_", str(os.getpid()), self.bin, self.dir],
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)

    def start(self):
        self._run(os.path.join(self.bin, "pg_ctl"), "-D", self.data, "-l", self.log_path, "-w", "-t", "60", "-s",
                  "start")
        self.running = True

    def stop(self, mode="fast"):
        """fast: sessions are ended, as an administrator stops the database; immediate: as a crash."""
        self._run(os.path.join(self.bin, "pg_ctl"), "-D", self.data, "-m", mode, "-w", "-t", "60", "-s", "stop")
        self.running = False

    def destroy(self):
        if self.dir and self.running:
            self._run(os.path.join(self.bin, "pg_ctl"), "-D", self.data, "-m", "immediate", "-w", "-s", "stop",
                      check=False)
            self.running = False
        if self.dir:
            shutil.rmtree(self.dir, ignore_errors=True)
            self.dir = None

    def __enter__(self):
        return self.create()

    def __exit__(self, *exc):
        self.destroy()
        return False

    # ---- using it

    def uri_of(self, database):
        return "postgresql://%s@/%s?host=%s" % (USER, database, self.dir)

    @property
    def uri(self):
        return self.uri_of(DATABASE)

    def sql(self, statement, database=DATABASE):
        """Runs statement through psql; its rows, one a line, columns split by '|'."""
        result = subprocess.run([os.path.join(self.bin, "psql"), "-X", "-A", "-t", "-q", "-v", "ON_ERROR_STOP=1",
                                 "-h", self.dir, "-U", USER, "-d", database, "-c", statement],
                                capture_output=True, text=True, timeout=60)
        if result.returncode != 0:
            raise PostgresError("psql: %s\n%s" % (statement, result.stderr))
        return result.stdout

    def log(self):
        try:
            with open(self.log_path, errors="replace") as f:
                return f.read()
        except OSError:
            return ""


def main(argv):
    if len(argv) < 3 or argv[1] != "--":
        print(__doc__, file=sys.stderr)
        return 2
    program = argv[2:]
    try:
        pg = PrivatePostgres()
    except Unavailable as e:
        print("PostgreSQL left out: %s" % e, file=sys.stderr)
        code = subprocess.call(program)
        return 77 if code == 0 else code
    started = time.monotonic()
    with pg:
        print("private PostgreSQL ready in %.1f s" % (time.monotonic() - started), file=sys.stderr)
        code = subprocess.call(program, env=dict(os.environ, VANTRELL_TEST_POSTGRES=pg.uri))
        if code != 0:
            print("--- private PostgreSQL log (last 40 lines) ---\n" + "\n".join(pg.log().splitlines()[-40:]),
                  file=sys.stderr)
    return code


if __name__ == "__main__":
    sys.exit(main(sys.argv))
