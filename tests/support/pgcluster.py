"""A PostgreSQL server of the test run's own: Debian's PostgreSQL as a fresh
cluster in a temporary folder, listening on a Unix socket in that folder
only (no TCP at all), owned by an unprivileged user, stopped and removed at
the end, also when the test fails.

    with pgcluster.Cluster() as pg:      # raises Unavailable with the reason
        pg.psql("CREATE DATABASE j")
        pg.host, pg.port, pg.user        # what libpq takes
        pg.stop(); pg.start()            # the same data again

As a program (`pgcluster.py serve`), for the Qt tests: it prints
"READY <host> <port> <user>" (or "SKIPPED <reason>" and ends), then obeys
"stop" and "start" lines on its standard input (answering "STOPPED" or
"READY ...") and stops the server and removes the folder when its input
ends, so a test that crashes takes the server with it.

Run as root (CI does), the cluster belongs to `nobody` (or the user named
by KELTO_PG_OS_USER) and is run through setpriv. The server also dies with
this process (a parent-death signal), and lives at most KELTO_PG_LIFETIME
seconds (600 by default). Python 3 standard library only.
"""

import glob
import os
import pwd
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ADMIN = "kelto"
PORT = 5432
START_SECONDS = 30


class Unavailable(Exception):
    """The server cannot start here; the text says why, for a SKIP line."""


def _bin_dir():
    found = sorted(glob.glob("/usr/lib/postgresql/*/bin/initdb"),
                   key=lambda p: int(p.split("/")[4]) if p.split("/")[4].isdigit() else 0)
    if not found:
        raise Unavailable("PostgreSQL is not installed (no /usr/lib/postgresql/*/bin/initdb; "
                          "tools/deps.sh installs the package postgresql)")
    return os.path.dirname(found[-1])


class Cluster:
    def __init__(self, lifetime=None):
        self.lifetime = float(lifetime or os.environ.get("KELTO_PG_LIFETIME", "600"))
        self.folder = None
        self.proc = None
        self.port = PORT
        self.user = ADMIN
        self._bin = None
        self._as_user = []
        self._born = time.monotonic()

    @property
    def host(self):
        """The folder of the Unix socket, as libpq takes it for a host."""
        return self.folder

    @property
    def data(self):
        return os.path.join(self.folder, "data")

    def __enter__(self):
        try:
            self.create()
            self.start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def create(self):
        self._bin = _bin_dir()
        if shutil.which("setpriv") is None:
            raise Unavailable("setpriv (util-linux) is missing")
        self.folder = tempfile.mkdtemp(prefix="kelto-pg-", dir="/tmp")
        if os.geteuid() == 0:
            name = os.environ.get("KELTO_PG_OS_USER", "nobody")
            try:
                who = pwd.getpwnam(name)
            except KeyError:
                raise Unavailable(f"no unprivileged user {name!r} to own the test cluster")
            os.chown(self.folder, who.pw_uid, who.pw_gid)
            self._as_user = ["--reuid", str(who.pw_uid), "--regid", str(who.pw_gid), "--clear-groups"]
        os.chmod(self.folder, 0o700)
        log = os.path.join(self.folder, "initdb.log")
        with open(log, "wb") as out:
            rc = self._run([os.path.join(self._bin, "initdb"), "-D", self.data, "-U", ADMIN,
                            "--auth=trust", "-E", "UTF8", "--locale=C.UTF-8", "--no-sync"],
                           stdout=out, stderr=subprocess.STDOUT, timeout=120).wait()
        if rc != 0:
            raise Unavailable("initdb failed: " + _tail(log))

    def _run(self, argv, **kw):
        timeout = kw.pop("timeout", None)
        # The parent-death signal is set after the change of user (which
        # would clear it), so the server goes with this process: TERM, which
        # a shell's background job does not ignore as it does INT.
        proc = subprocess.Popen(["setpriv", *self._as_user, "--pdeathsig", "TERM", "--",
                                 "env", "HOME=" + self.folder, "LC_ALL=C.UTF-8", *argv], **kw)
        if timeout:
            proc.wait = _bounded(proc.wait, timeout)
        return proc

    def start(self):
        if self.proc is not None:
            return
        log = open(os.path.join(self.folder, "postgres.log"), "ab")
        self.proc = self._run(
            [os.path.join(self._bin, "postgres"), "-D", self.data, "-k", self.folder, "-p", str(self.port),
             "-c", "listen_addresses=", "-c", "fsync=off", "-c", "full_page_writes=off",
             "-c", "max_connections=40", "-c", "shared_buffers=32MB"],
            stdout=log, stderr=subprocess.STDOUT)
        log.close()
        socket = os.path.join(self.folder, f".s.PGSQL.{self.port}")
        deadline = time.monotonic() + START_SECONDS
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                self.proc = None
                raise Unavailable("postgres ended at start: " + _tail(os.path.join(self.folder, "postgres.log")))
            if os.path.exists(socket) and self._ready():
                return
            time.sleep(0.05)
        self.stop()
        raise Unavailable(f"postgres did not accept connections within {START_SECONDS} s")

    def _ready(self):
        isready = os.path.join(self._bin, "pg_isready")
        return subprocess.run([isready, "-q", "-h", self.folder, "-p", str(self.port)],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0

    def stop(self):
        """A fast shutdown: open sessions end, the data stays."""
        if self.proc is None:
            return
        for sig, seconds in ((signal.SIGINT, 20), (signal.SIGQUIT, 10), (signal.SIGKILL, None)):
            self.proc.send_signal(sig)
            try:
                self.proc.wait(timeout=seconds)
                break
            except subprocess.TimeoutExpired:
                continue
        self.proc = None

    def close(self):
        self.stop()
        if self.folder and os.path.isdir(self.folder):
            shutil.rmtree(self.folder, ignore_errors=True)
        self.folder = None

    def psql(self, sql, database="postgres", user=None):
        """Runs SQL as the cluster's administrator (or `user`); its output."""
        out = subprocess.run([os.path.join(self._bin, "psql"), "-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1",
                              "-h", self.folder, "-p", str(self.port), "-U", user or self.user,
                              "-d", database, "-c", sql],
                             capture_output=True, text=True, timeout=60)
        if out.returncode != 0:
            raise AssertionError(f"psql failed: {out.stderr.strip()}")
        return out.stdout

    def expired(self):
        return time.monotonic() - self._born > self.lifetime


def _bounded(wait, seconds):
    def bounded_wait(timeout=None):
        return wait(timeout=seconds if timeout is None else timeout)
    return bounded_wait


def _tail(path, lines=5):
    try:
        with open(path, "r", errors="replace") as f:
            return " | ".join(line.strip() for line in f.readlines()[-lines:] if line.strip())
    except OSError as e:
        return str(e)


def _say(text):
    sys.stdout.write(text + "\n")
    sys.stdout.flush()


def serve():
    """The protocol of the Qt tests' fixture (see the module's text)."""
    cluster = Cluster()
    try:
        cluster.create()
        cluster.start()
    except Unavailable as e:
        cluster.close()
        _say("SKIPPED " + str(e))
        return 0
    ready = lambda: _say(f"READY {cluster.host} {cluster.port} {cluster.user}")  # noqa: E731
    try:
        ready()
        for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
            signal.signal(sig, lambda *_: sys.exit(0))
        line = b""
        while not cluster.expired():
            readable, _, _ = select.select([sys.stdin.fileno()], [], [], 1.0)
            if not readable:
                continue
            chunk = os.read(sys.stdin.fileno(), 256)
            if not chunk:
                break
            line += chunk
            while b"\n" in line:
                command, line = line.split(b"\n", 1)
                command = command.strip()
                if command == b"stop":
                    cluster.stop()
                    _say("STOPPED")
                elif command == b"start":
                    try:
                        cluster.start()
                        ready()
                    except Unavailable as e:
                        _say("FAILED " + str(e))
    finally:
        cluster.close()
    return 0


if __name__ == "__main__":
    if sys.argv[1:] == ["serve"]:
        sys.exit(serve())
    sys.stderr.write("usage: pgcluster.py serve\n")
    sys.exit(2)
