"""The installed program folder runs where Qt is not installed: inside a
bubblewrap sandbox in which every system libQt6*, ICU, double-conversion,
PCRE2-16, md4c and libb2 file is an empty file and Qt's system plug-in folder
is empty, the window comes up without a message box, ldd of the
installed executable names no Qt library outside the folder, and the
PostgreSQL driver finds its Qt and libpq in the folder.

Needs bwrap and the right to make namespaces (root, or unprivileged user
namespaces); without them it says why and is skipped (exit 77).

Environment: KELTO_BUILD_DIR (the build tree).
"""

import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

import harness

SKIP = 77
HIDDEN = ("libQt6*", "libicu*", "libdouble-conversion*", "libpcre2-16*", "libmd4c*", "libb2*")
LIB_DIRS = ("/usr/lib/x86_64-linux-gnu", "/lib/x86_64-linux-gnu", "/usr/lib64", "/usr/lib",
            "/usr/local/lib")


def skip(why):
    print(f"SKIPPED: {why}")
    sys.exit(SKIP)


def sandbox(empty):
    """bwrap arguments: the whole system, with the system's Qt and its
    companions replaced by an empty file and Qt's plug-in folders empty."""
    args = ["bwrap", "--bind", "/", "/", "--dev", "/dev", "--proc", "/proc", "--die-with-parent"]
    hidden = set()
    for d in LIB_DIRS:
        for pattern in HIDDEN:
            for f in glob.glob(os.path.join(d, pattern)):
                real = os.path.realpath(f)
                # A link is hidden with the file it leads to.
                if os.path.isfile(real) and real not in hidden:
                    hidden.add(real)
                    args += ["--ro-bind", empty, real]
    plugin_dirs = {os.path.realpath(p) for d in LIB_DIRS for p in glob.glob(os.path.join(d, "qt6", "plugins"))}
    for p in sorted(plugin_dirs):
        args += ["--tmpfs", p]
    return args, sorted(hidden), sorted(plugin_dirs)


def test():
    if not shutil.which("bwrap"):
        skip("bwrap is not installed (Debian package bubblewrap)")
    probe = subprocess.run(["bwrap", "--bind", "/", "/", "true"], stderr=subprocess.PIPE, text=True)
    if probe.returncode != 0:
        skip("bwrap cannot make a sandbox here (run as root or allow unprivileged user "
             f"namespaces): {probe.stderr.strip()}")

    build = os.environ["KELTO_BUILD_DIR"]
    with tempfile.TemporaryDirectory(prefix="kelto-sandbox-") as tmp:
        prefix = os.path.join(tmp, "prefix")
        subprocess.run(["cmake", "--install", build, "--prefix", prefix, "--strip"],
                       check=True, stdout=subprocess.DEVNULL)
        installed = os.path.join(prefix, "kelto")
        empty = os.path.join(tmp, "empty")
        open(empty, "wb").close()
        wrap, hidden, plugin_dirs = sandbox(empty)
        assert any("libQt6Core" in h for h in hidden), "no system Qt found to hide"
        print(f"hidden: {len(hidden)} system files; emptied: {', '.join(plugin_dirs)}")

        # The hiding works: the system's Qt reads as an empty file inside.
        core = next(h for h in hidden if "libQt6Core" in h)
        size = subprocess.run([*wrap, "stat", "-L", "-c", "%s", core], check=True, text=True,
                              stdout=subprocess.PIPE).stdout.strip()
        assert size == "0", f"{core} is still {size} bytes inside the sandbox"

        exe = os.path.join(installed, "kelto")
        ldd = subprocess.run([*wrap, "ldd", exe], text=True, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT).stdout
        print(ldd)
        assert "not found" not in ldd, "a library is missing in the sandbox"
        real = os.path.realpath(installed) + os.sep
        for line in ldd.splitlines():
            if "libQt6" in line and "=>" in line:
                where = os.path.realpath(line.split("=>")[1].split()[0])
                assert where.startswith(real), f"ldd names a Qt library outside the folder: {line.strip()}"

        # The journal server's driver: every library it needs resolves, Qt's
        # and libpq from the folder.
        driver = os.path.join(installed, "qt", "sqldrivers", "libqsqlpsql.so")
        assert os.path.isfile(driver), "qt/sqldrivers/libqsqlpsql.so is not in the folder"
        ldd = subprocess.run([*wrap, "ldd", driver], text=True, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT).stdout
        assert "not found" not in ldd, f"the PostgreSQL driver misses a library in the sandbox\n{ldd}"
        for lib in ("libQt6Sql", "libpq.so"):
            line = next((l for l in ldd.splitlines() if lib in l and "=>" in l), None)
            assert line, f"ldd of the driver names no {lib}\n{ldd}"
            where = os.path.realpath(line.split("=>")[1].split()[0])
            assert where.startswith(real), f"the driver's {lib} is outside the folder: {line.strip()}"

        with harness.KeltoApp(program_dir=installed, wrapper=wrap) as app:
            app.start()
            time.sleep(1.0)  # a load error box would be up by now
            boxes = app.dialogs()
            assert not boxes, f"{len(boxes)} message boxes in the sandbox\n{app.log()}"
            assert app.client_size() == (638, 457), f"window {app.client_size()}"
            assert app.close() == 0, f"exit code {app.returncode}\n{app.log()}"


if __name__ == "__main__":
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    harness.main(test)
