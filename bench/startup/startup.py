#!/usr/bin/env python3
"""Start-up time of the program against the floor, a bare Qt Widgets window.

Both run under one private Xvfb, interleaved (the order alternates each
round), each kelto run in a freshly copied program folder with a fresh home.
The time is from just before exec until the X server reports the window
mapped. Prints the medians and their ratio.

    bench/startup/startup.py [--build BUILD_DIR] [-n RUNS]
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))
import harness  # noqa: E402


def one_run(server, exe, title, work, timeout=30):
    env = harness.clean_env(work, server.display)
    x = server.x
    x.watch_maps()
    with open(os.path.join(work, "out.log"), "ab") as out:
        t0 = time.monotonic()
        proc = subprocess.Popen([exe], cwd=work, env=env, stdout=out,
                                stderr=subprocess.STDOUT, start_new_session=True)
        try:
            window, t1 = x.wait_mapped(title, timeout)
        except TimeoutError:
            proc.kill()
            proc.wait()
            raise harness.HarnessError(f"{exe}: no window {title!r} in {timeout} s "
                                       f"(exit {proc.returncode})")
        x.request_close(window)
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    return t1 - t0


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--build", default=os.environ.get("BUILD_DIR", os.path.join(REPO, "build")))
    ap.add_argument("-n", "--runs", type=int, default=10)
    a = ap.parse_args()

    kelto_dir = os.path.join(a.build, "kelto")
    floor_exe = os.path.join(a.build, "bench", "startup", "bare_window")
    for p in (os.path.join(kelto_dir, "kelto"), floor_exe):
        if not os.access(p, os.X_OK):
            print(f"startup: {p} is not built", file=sys.stderr)
            return 1

    base = tempfile.mkdtemp(prefix="kelto-startup-")
    server = harness.XServer(log_dir=base).start()
    times = {"kelto": [], "floor": []}
    try:
        def run(side, n):
            work = os.path.join(base, f"{side}-{n}")
            os.makedirs(work)
            if side == "kelto":
                folder = os.path.join(work, "kelto")
                shutil.copytree(kelto_dir, folder, symlinks=True)
                return one_run(server, os.path.join(folder, "kelto"), "Кельто", work)
            return one_run(server, floor_exe, "Кельто-floor", work)

        # One uncounted run each: the first start pays for cold file caches.
        run("floor", "warm")
        run("kelto", "warm")
        for i in range(a.runs):
            order = ("kelto", "floor") if i % 2 == 0 else ("floor", "kelto")
            for side in order:
                times[side].append(run(side, i))
    finally:
        server.stop()
        shutil.rmtree(base, ignore_errors=True)

    mk = statistics.median(times["kelto"])
    mf = statistics.median(times["floor"])
    print(f"start-up until the window is mapped, {a.runs} runs each, Xvfb 1024x768x24")
    for side, label in (("kelto", "build/kelto/kelto"), ("floor", "bare Qt window")):
        t = times[side]
        print(f"  {label:<18} median {statistics.median(t) * 1000:7.1f} ms   "
              f"min {min(t) * 1000:7.1f} ms   max {max(t) * 1000:7.1f} ms")
    print(f"  ratio kelto/floor  {mk / mf:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
