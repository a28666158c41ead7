"""A folder started once and then copied to another place (a flash drive,
another machine) starts there with its plug-in: no message box, the look of
the first run, and ini.cnf as the first run left it."""

import os
import shutil
import time

import harness


def test():
    with harness.KeltoApp() as app:
        app.start()
        first = harness.view_brightness(app)
        assert app.close() == 0
        remembered = app.read_file("ini.cnf")

        # The old place is gone: nothing there may still be reached.
        moved = os.path.join(app.base, "другой диск", "Кельто")
        shutil.copytree(app.folder, moved, symlinks=True)
        shutil.rmtree(app.folder)
        app.folder = moved

        app.start()
        time.sleep(1.0)  # a box would come up by now
        others = [w for w in app.own_windows() if w != app.window]
        assert not others, f"{len(others)} boxes at the start of the moved folder"
        header, diary = harness.view_brightness(app)
        assert abs(header - first[0]) < 3 and abs(diary - first[1]) < 3, \
            f"moved folder looks different: ({header:.0f}, {diary:.0f}) against " \
            f"({first[0]:.0f}, {first[1]:.0f})"
        assert app.close() == 0
        assert app.read_file("ini.cnf") == remembered, \
            f"ini.cnf changed by the moved start: {app.read_file('ini.cnf')!r}"


if __name__ == "__main__":
    harness.main(test)
