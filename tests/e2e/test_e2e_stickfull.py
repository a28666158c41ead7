"""A nearly full stick: with free space between one and two times the diary,
the day's first save still writes log.cnf (the day's copy in backup/ is a
second name of the old file, costing no space), nothing is said, and a power
cut right after it loses nothing typed.
Needs a small tmpfs, which only root may mount; skipped otherwise."""

import datetime
import os
import shutil
import signal
import subprocess
import sys
import time

import harness
from harness import controls

SKIP = 77


def test():
    with harness.KeltoApp() as app:
        stick = os.path.join(app.base, "stick")
        os.mkdir(stick)
        need = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(app.folder) for f in fs)
        size_kb = need // 1024 + 4096
        if subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size_kb}k", "tmpfs", stick],
                          capture_output=True).returncode != 0:
            print("SKIP: a tmpfs cannot be mounted here (needs root)")
            sys.exit(SKIP)
        try:
            shutil.copytree(app.folder, os.path.join(stick, "kelto"), symlinks=True)
            app.folder = os.path.join(stick, "kelto")
            old = b"1\r\n01.01.2026\r\n1\r\n" + b"x" * 600_000 + b"\r\n"
            app.write_file("log.cnf", old)
            free = os.statvfs(stick).f_bavail * os.statvfs(stick).f_frsize
            with open(os.path.join(stick, "filler"), "wb") as f:
                f.write(b"\0" * (free - len(old) * 3 // 2))
            app.start()
            app.click(*controls.NOTEPAD)
            app.type_text("saved")
            time.sleep(3)  # the autosave, two seconds after the change
            assert not app.dialogs(), "a box came up: the save did not fit"
            os.killpg(app.proc.pid, signal.SIGKILL)  # the power cut
            app.wait_exit()
            assert app.read_lines("log.cnf")[-1] == "saved", "log.cnf does not hold what was typed"
            today = datetime.date.today().isoformat()
            assert app.read_file(f"backup/log-{today}.cnf") == old, "the day's copy is not the old diary"
        finally:
            app.stop()
            subprocess.run(["umount", "-l", stick])


if __name__ == "__main__":
    harness.main(test)
