"""A private nginx in front of private vantrell-highscores instances, for tests and the load
run. Its site is the packaged example (packaging/highscores/nginx-site.conf) as it stands,
but for the addresses: the upstream holds the given instances, both servers listen on free
ports of 127.0.0.1 (the redirect to https names that port), and a throw-away certificate
stands in for the system's. As root it runs as the user nobody, never as root.

    with PrivateNginx(workdir, ["127.0.0.1:8081", "127.0.0.1:8082"]) as nginx:
        status, headers, body = nginx.request("GET", "/healthz")   # over https
"""

import http.client
import os
import pwd
import re
import shutil
import signal
import socket
import ssl
import subprocess
import time

SITE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "packaging", "highscores",
                    "nginx-site.conf")


class NginxError(Exception):
    pass


class NginxMissing(Exception):
    pass


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def site_for(upstreams, http_port, https_port, certificate, key, site=SITE):
    """The packaged site with this run's addresses; fails if the example no longer has the
    lines it replaces, so a change there cannot go untested."""
    with open(site) as f:
        text = f.read()
    replacements = [
        (r"\n(\s*)server 127\.0\.0\.1:8080;",
         lambda m: "".join("\n%sserver %s;" % (m.group(1), u) for u in upstreams)),
        (r"\n\s*listen \[::\]:80;", ""),
        (r"\n\s*listen \[::\]:443 ssl http2;", ""),
        (r"listen 80;", "listen 127.0.0.1:%d;" % http_port),
        (r"listen 443 ssl http2;", "listen 127.0.0.1:%d ssl http2;" % https_port),
        (r"return 301 https://\$host\$request_uri;", "return 301 https://$host:%d$request_uri;" % https_port),
        (r"/etc/ssl/certs/ssl-cert-snakeoil\.pem", certificate),
        (r"/etc/ssl/private/ssl-cert-snakeoil\.key", key),
    ]
    for pattern, replacement in replacements:
        text, count = re.subn(pattern, replacement, text)
        if count != 1:
            raise NginxError("the packaged nginx site no longer has %r once (%d times)" % (pattern, count))
    return text


class PrivateNginx:
    def __init__(self, workdir, upstreams, workers=1):
        self.nginx = shutil.which("nginx") or ("/usr/sbin/nginx" if os.access("/usr/sbin/nginx", os.X_OK) else None)
        if not self.nginx or not shutil.which("openssl"):
            raise NginxMissing("nginx or openssl is not installed")
        self.dir = os.path.abspath(workdir)
        self.upstreams = list(upstreams)
        self.workers = workers
        self.process = None
        self.as_nobody = os.geteuid() == 0

    def start(self, timeout=20):
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(os.path.join(self.dir, "temp"))
        certificate, key = os.path.join(self.dir, "cert.pem"), os.path.join(self.dir, "key.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                        "/CN=www.localhost", "-keyout", key, "-out", certificate], check=True,
                       capture_output=True)
        self.http_port, self.https_port = free_port(), free_port()
        with open(os.path.join(self.dir, "site.conf"), "w") as f:
            f.write(site_for(self.upstreams, self.http_port, self.https_port, certificate, key))
        d = self.dir
        with open(os.path.join(d, "nginx.conf"), "w") as f:
            f.write("""daemon off;
worker_processes %s;
pid %s/nginx.pid;
error_log %s/error.log warn;
events { worker_connections 4096; }
http {
    access_log %s/access.log;
    client_body_temp_path %s/temp/body;
    proxy_temp_path %s/temp/proxy;
    fastcgi_temp_path %s/temp/fastcgi;
    uwsgi_temp_path %s/temp/uwsgi;
    scgi_temp_path %s/temp/scgi;
    include %s/site.conf;
}
""" % ((self.workers,) + (d,) * 9))
        command = [self.nginx, "-p", d, "-c", os.path.join(d, "nginx.conf"), "-e", os.path.join(d, "error.log")]
        if self.as_nobody:
            nobody = pwd.getpwnam("nobody")
            for folder, _, files in os.walk(d):
                for name in [folder] + [os.path.join(folder, f) for f in files]:
                    os.chown(name, nobody.pw_uid, nobody.pw_gid)
            command = ["runuser", "-u", "nobody", "--"] + command
        self._out = open(os.path.join(d, "nginx.out"), "ab")
        self.process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=self._out, stderr=self._out, cwd=d)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise NginxError("nginx ended with exit code %d:\n%s" % (self.process.returncode, self.error_log()))
            try:
                socket.create_connection(("127.0.0.1", self.https_port), timeout=1).close()
                return self
            except OSError:
                time.sleep(0.05)
        self.stop()
        raise NginxError("nginx did not start listening:\n" + self.error_log())

    def master_pid(self):
        try:
            with open(os.path.join(self.dir, "nginx.pid")) as f:
                return int(f.read())
        except (OSError, ValueError):
            return None

    def stop(self):
        """A quick shutdown; the master's workers go with it."""
        if not self.process or self.process.poll() is not None:
            return
        pid = self.master_pid()
        try:
            os.kill(pid, signal.SIGTERM) if pid else self.process.terminate()
            self.process.wait(20)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            self.process.kill()
            self.process.wait()
        self._out.close()

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
        return False

    def error_log(self):
        """nginx's error log, and what it wrote before it could open that."""
        text = ""
        for name in ("nginx.out", "error.log"):
            try:
                with open(os.path.join(self.dir, name), errors="replace") as f:
                    text += f.read()
            except OSError:
                pass
        return text

    # ---- talking to it

    @property
    def url(self):
        return "https://www.localhost:%d" % self.https_port

    def connection(self, timeout=10, https=True):
        if https:
            return http.client.HTTPSConnection("127.0.0.1", self.https_port, timeout=timeout,
                                               context=ssl._create_unverified_context())
        return http.client.HTTPConnection("127.0.0.1", self.http_port, timeout=timeout)

    def request(self, method, path, body=None, headers=None, timeout=10, https=True, connection=None):
        """One request (on connection if given, else a fresh one): (status, lower-case headers, body)."""
        c = connection or self.connection(timeout, https)
        try:
            c.request(method, path, body=body, headers=dict({"Host": "www.localhost"}, **(headers or {})))
            response = c.getresponse()
            data = response.read()
            return response.status, {k.lower(): v for k, v in response.getheaders()}, data
        finally:
            if connection is None:
                c.close()
