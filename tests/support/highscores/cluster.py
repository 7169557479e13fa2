"""The list past one machine, privately: a PostgreSQL cluster, instances of vantrell-highscores
sharing it, and nginx in front with the packaged site (it trusts X-Forwarded-For from nginx).

    with Cluster(binary, workdir, instances=2) as cluster:
        cluster.nginx.request("GET", "/healthz")
        cluster.instances[0].kill()
        cluster.postgres.stop(); cluster.postgres.start()

Raises Unavailable (tests exit 77) where this machine cannot run PostgreSQL or nginx.
database="sqlite" puts one instance on a SQLite file instead, for comparisons.
"""

import os
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "postgres"))
from private_nginx import NginxMissing, PrivateNginx  # noqa: E402
from private_postgres import PrivatePostgres, Unavailable as PostgresUnavailable  # noqa: E402
from private_service import PrivateService  # noqa: E402


class Unavailable(Exception):
    pass


def check_available():
    """Raises Unavailable where this machine cannot run the cluster, without starting it."""
    try:
        PrivatePostgres()
        PrivateNginx("/nonexistent", [])
    except (PostgresUnavailable, NginxMissing) as e:
        raise Unavailable(str(e))


class Cluster:
    def __init__(self, binary, workdir, instances=2, options=(), database="postgresql", nginx_workers=1,
                 postgres=None):
        self.binary = binary
        self.dir = os.path.abspath(workdir)
        self.count = instances
        self.options = list(options)
        self.database = database
        self.nginx_workers = nginx_workers
        self.postgres = postgres
        self.own_postgres = False
        self.instances = []
        self.nginx = None

    def start(self):
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        try:
            if self.database == "postgresql" and self.postgres is None:
                self.postgres = PrivatePostgres().create()
                self.own_postgres = True
            for i in range(self.count):
                self.start_instance(i)
            self.nginx = PrivateNginx(os.path.join(self.dir, "nginx"), ["127.0.0.1:%d" % s.port for s in self.instances],
                                      workers=self.nginx_workers).start()
        except (PostgresUnavailable, NginxMissing) as e:
            self.stop(check=False)
            raise Unavailable(str(e))
        except BaseException:
            self.stop(check=False)
            raise
        return self

    def start_instance(self, i):
        """Starts instance i (again, on a new port, if it was stopped: nginx keeps the old one)."""
        database = self.postgres.uri if self.database == "postgresql" else \
            "sqlite:" + os.path.join(self.dir, "highscores.db")
        service = PrivateService(self.binary, os.path.join(self.dir, "instance-%d" % i), "--trusted-proxy",
                                 "127.0.0.1", *self.options, database=database).start()
        if i < len(self.instances):
            self.instances[i] = service
        else:
            self.instances.append(service)
        return service

    def stop(self, check=True):
        """Stops everything; with check, every instance still running must end with exit code 0."""
        failures = []
        if self.nginx:
            self.nginx.stop()
        for i, service in enumerate(self.instances):
            if service.process and service.process.poll() is None:
                code = service.stop() if check else service.kill()
                if check and code != 0:
                    failures.append("instance %d ended with exit code %d:\n%s" % (i, code, service.log()[-3000:]))
        if self.own_postgres and self.postgres:
            self.postgres.destroy()
        if failures:
            raise AssertionError("\n".join(failures))

    def __enter__(self):
        return self.start()

    def __exit__(self, kind, value, trace):
        self.stop(check=kind is None)
        return False
