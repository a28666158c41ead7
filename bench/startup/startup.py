#!/usr/bin/env python3
"""Start-up time of the program against two floors: a bare Qt Widgets window
and the text floor, the same window with one Cyrillic label; and the program
again with a diary of 100 000 notes of 10 lines each (about 51 MB).

All sides run under one private Xvfb, interleaved (the order rotates each
round), each kelto run in a freshly copied program folder with a fresh home.
The time is from just before exec until the X server reports the window
mapped. Prints the medians and their ratios. With --before, a second program
folder (an older build) runs in the same rounds, with and without the diary,
so that a change is measured against what it replaces under the same load.
With --journal, the program also starts beside a control journal of 100 000
entries (journal.db written by bench_journal), which it must not open.

    bench/startup/startup.py [--build BUILD_DIR] [-n RUNS] [--before KELTO_DIR] [--journal]
"""

import argparse
import datetime
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
            # Only this run's window: a window of the same title from the run
            # before may still be reporting.
            window, t1 = x.wait_mapped(title, timeout, accept=lambda w: x.pid(w) == proc.pid)
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


NOTES = 100000
LINES = 10


def write_diary(path):
    """100 000 days from 1.1.1800, ten lines of 47 characters each (code page
    1251, CR LF), as a technician's diary of many years would hold them."""
    day = datetime.date(1800, 1, 1)
    one = datetime.timedelta(days=1)
    parts = [b"%d\r\n" % NOTES]
    for i in range(NOTES):
        parts.append(day.strftime("%d.%m.%Y").encode() + b"\r\n%d\r\n" % LINES)
        for j in range(LINES):
            line = f"Снимок {i:06d}: шов {j:02d}, кассета 10x40, плёнка D7"
            parts.append(line.encode("cp1251") + b"\r\n")
        day += one
    with open(path, "wb") as f:
        f.write(b"".join(parts))
    return os.path.getsize(path)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--build", default=os.environ.get("BUILD_DIR", os.path.join(REPO, "build")))
    ap.add_argument("-n", "--runs", type=int, default=10)
    ap.add_argument("--before", help="another program folder to run in the same rounds")
    ap.add_argument("--journal", action="store_true", help="also start beside a journal.db of 100 000 entries")
    a = ap.parse_args()

    kelto_dir = os.path.join(a.build, "kelto")
    floor_exe = os.path.join(a.build, "bench", "startup", "bare_window")
    programs = {"kelto": kelto_dir}
    if a.before:
        programs["before"] = os.path.abspath(a.before)
    for p in [os.path.join(d, "kelto") for d in programs.values()] + [floor_exe]:
        if not os.access(p, os.X_OK):
            print(f"startup: {p} is not built", file=sys.stderr)
            return 1

    base = tempfile.mkdtemp(prefix="kelto-startup-")
    diary = os.path.join(base, "log.cnf")
    diary_bytes = write_diary(diary)
    journal = os.path.join(base, "journal.db")
    if a.journal:
        subprocess.run([os.path.join(a.build, "bench", "journal", "bench_journal"), "--write-journal", journal],
                       check=True, env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    server = harness.XServer(log_dir=base).start()
    sides = tuple(programs) + tuple(p + "+diary" for p in programs) + ("floor", "text")
    if a.journal:
        sides += ("kelto+journal",)
    times = {side: [] for side in sides}
    try:
        def run(side, n):
            work = os.path.join(base, f"{side}-{n}")
            os.makedirs(work)
            try:
                program = side.split("+")[0]
                if program in programs:
                    folder = os.path.join(work, "kelto")
                    shutil.copytree(programs[program], folder, symlinks=True)
                    for stale in ("log.cnf", "ini.cnf", "source.cnf"):
                        if os.path.exists(os.path.join(folder, stale)):
                            os.remove(os.path.join(folder, stale))
                    if side.endswith("+diary"):
                        shutil.copyfile(diary, os.path.join(folder, "log.cnf"))
                    if side.endswith("+journal"):
                        shutil.copyfile(journal, os.path.join(folder, "journal.db"))
                    return one_run(server, os.path.join(folder, "kelto"), "Кельто", work)
                if side == "text":
                    return one_run(server, floor_exe, "Кельто-text", work, args=("--text",))
                return one_run(server, floor_exe, "Кельто-floor", work)
            finally:
                shutil.rmtree(work, ignore_errors=True)

        # One uncounted run each: the first start pays for cold file caches.
        for side in sides:
            run(side, "warm")
        k = len(sides)
        for i in range(a.runs):
            order = sides[i % k:] + sides[:i % k]
            for side in order:
                times[side].append(run(side, i))
    finally:
        server.stop()
        shutil.rmtree(base, ignore_errors=True)

    med = {side: statistics.median(t) for side, t in times.items()}
    print(f"start-up until the window is mapped, {a.runs} runs each, Xvfb 1024x768x24; "
          f"diary: {NOTES} notes x {LINES} lines, {diary_bytes / 1e6:.0f} MB")
    labels = {"kelto": "build/kelto/kelto", "before": a.before or "",
              "floor": "bare Qt window", "text": "text floor"}
    for side in sides:
        program, _, extra = side.partition("+")
        label = labels[program] + (" + " + extra if extra else "")
        t = times[side]
        print(f"  {label:<32} median {med[side] * 1000:7.1f} ms   "
              f"min {min(t) * 1000:7.1f} ms   max {max(t) * 1000:7.1f} ms")
    for program in programs:
        print(f"  {program}: ratio to the floor {med[program] / med['floor']:.2f}, "
              f"to the text floor {med[program] / med['text']:.2f} (goal 1.25 or less), "
              f"with the diary to without {med[program + '+diary'] / med[program]:.2f} (goal 1.5 or less)")
    if a.journal:
        print(f"  kelto: with a journal of 100 000 entries to without {med['kelto+journal'] / med['kelto']:.3f} "
              f"(goal 1.05 or less)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
