#!/usr/bin/env python3
"""Start-up time of the program against two floors: a bare Qt Widgets window
and the text floor, the same window with one Cyrillic label.

All three run under one private Xvfb, interleaved (the order rotates each
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


def one_run(server, exe, title, work, timeout=30, args=()):
    env = harness.clean_env(work, server.display)
    x = server.x
    x.watch_maps()
    with open(os.path.join(work, "out.log"), "ab") as out:
        t0 = time.monotonic()
        proc = subprocess.Popen([exe, *args], cwd=work, env=env, stdout=out,
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
    sides = ("kelto", "floor", "text")
    times = {side: [] for side in sides}
    try:
        def run(side, n):
            work = os.path.join(base, f"{side}-{n}")
            os.makedirs(work)
            if side == "kelto":
                folder = os.path.join(work, "kelto")
                shutil.copytree(kelto_dir, folder, symlinks=True)
                return one_run(server, os.path.join(folder, "kelto"), "Кельто", work)
            if side == "text":
                return one_run(server, floor_exe, "Кельто-text", work, args=("--text",))
            return one_run(server, floor_exe, "Кельто-floor", work)

        # One uncounted run each: the first start pays for cold file caches.
        for side in sides:
            run(side, "warm")
        for i in range(a.runs):
            order = sides[i % 3:] + sides[:i % 3]
            for side in order:
                times[side].append(run(side, i))
    finally:
        server.stop()
        shutil.rmtree(base, ignore_errors=True)

    mk = statistics.median(times["kelto"])
    mf = statistics.median(times["floor"])
    mt = statistics.median(times["text"])
    print(f"start-up until the window is mapped, {a.runs} runs each, Xvfb 1024x768x24")
    for side, label in (("kelto", "build/kelto/kelto"), ("floor", "bare Qt window"),
                        ("text", "text floor")):
        t = times[side]
        print(f"  {label:<18} median {statistics.median(t) * 1000:7.1f} ms   "
              f"min {min(t) * 1000:7.1f} ms   max {max(t) * 1000:7.1f} ms")
    print(f"  ratio kelto/floor  {mk / mf:.2f}")
    print(f"  ratio kelto/text   {mk / mt:.2f}   (goal 1.25 or less)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
