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
        harness.assert_no_boxes(app, "at the start of the moved folder")
        harness.assert_look(app, first, 3, "moved folder looks different")
        assert app.close() == 0
        harness.assert_file_kept(app, "ini.cnf", remembered, "changed by the moved start")


if __name__ == "__main__":
    harness.main(test)
