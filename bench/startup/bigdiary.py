#!/usr/bin/env python3
"""Start-up with a huge log.cnf: time until the program shows something (its
box about the damaged diary, or the main window) and until the main window,
and the peak resident memory (VmHWM) by then, against the file's size.

    bench/startup/bigdiary.py [--build BUILD_DIR] [--mb 200] [--kind lf|lines]

kinds: lf    bare line feeds (N empty: the file is damaged after line 1)
       lines a single record whose note is that many one-character lines
"""

import argparse
import os
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))
import harness  # noqa: E402


def peak_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def write_big(path, mb, kind):
    size = mb * 1000 * 1000
    with open(path, "wb") as f:
        if kind == "lf":
            chunk = b"\n" * (1 << 20)
            left = size
            while left > 0:
                f.write(chunk[:min(left, len(chunk))])
                left -= len(chunk)
        else:
            lines = size // 3
            f.write(b"1\r\n01.01.2026\r\n%d\r\n" % lines)
            chunk = b"x\r\n" * (1 << 18)
            left = lines
            while left > 0:
                n = min(left, 1 << 18)
                f.write(chunk[:n * 3])
                left -= n
    return os.path.getsize(path)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(REPO, "build"))
    ap.add_argument("--mb", type=int, default=200)
    ap.add_argument("--kind", choices=("lf", "lines"), default="lf")
    a = ap.parse_args()
    with harness.KeltoApp(program_dir=os.path.join(a.build, "kelto")) as app:
        size = write_big(app.path("log.cnf"), a.mb, a.kind)
        app.launch()
        t0 = app.started_at
        first = app.wait_until(app.own_windows, 600, step=0.02, message="nothing shown")
        t_first = time.monotonic() - t0
        boxes = [w for w in first if app.server.x.geometry(w)[2:] != (638, 457)]
        if boxes:
            app.key("Return", window=boxes[0])
        app.wait_main_window(600)
        t_main = time.monotonic() - t0
        if not boxes and a.kind == "lf":
            # A large file is read while the window paints: its box about the
            # damage comes after the window.
            boxes = app.wait_until(lambda: [w for w in app.own_windows()
                                            if app.server.x.geometry(w)[2:] != (638, 457)],
                                   600, step=0.02, message="no box about the damage")
            t_box = time.monotonic() - t0
            app.key("Return", window=boxes[0])
            print(f"box about the damaged diary, after the window: {t_box:.2f} s")
        elif not boxes:
            time.sleep(3)  # read on a worker; no box says when it is done
        peak = peak_kb(app.proc.pid) * 1024
        t1 = time.monotonic()
        rc = app.close(600)
        t_close = time.monotonic() - t1
        print(f"log.cnf: {size / 1e6:.0f} MB of {a.kind}")
        print(f"first window (box{'' if boxes else ': none'}): {t_first:.2f} s")
        print(f"main window: {t_main:.2f} s")
        print(f"peak memory at start: {peak / 1e6:.0f} MB ({peak / size:.2f} x the file; "
              f"goal <= {(3 * size + 150e6) / 1e6:.0f} MB)")
        print(f"close: {t_close:.2f} s, exit {rc}")


if __name__ == "__main__":
    main()
