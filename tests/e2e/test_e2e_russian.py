"""The plug-in dialog of the real program speaks Russian: its title, and
(with the catalogue the folder carries) Qt's own buttons. Cancelling it
leaves ini.cnf as it was. Set KELTO_E2E_SHOTS to a folder to keep a
screenshot of the dialog and of the header with a tooltip."""

import os
import time

import harness
from harness import controls

TITLE = "Выбор плагина оформления"


def shot(app, name, window=None):
    folder = os.environ.get("KELTO_E2E_SHOTS")
    if folder:
        os.makedirs(folder, exist_ok=True)
        app.screenshot(os.path.join(folder, name), window)


def test():
    with harness.KeltoApp() as app:
        app.start()
        remembered = app.read_file("ini.cnf")
        app.move(*controls.RECORDS_BUTTON)
        time.sleep(1.5)  # the tooltip comes after a pause
        shot(app, "header.png")
        app.click(*controls.SETTINGS_BUTTON)
        dialog = app.wait_window(TITLE, 15)
        assert app.server.x.transient_for(dialog), "the dialog does not belong to the window"
        time.sleep(0.5)
        shot(app, "plugin-dialog.png")
        app.key("Escape", window=dialog)
        app.wait_until(lambda: not app.windows(TITLE), 10, message="the dialog stayed open")
        assert app.running()
        assert app.close() == 0
        assert app.read_file("ini.cnf") == remembered, "a cancelled choice changed ini.cnf"


if __name__ == "__main__":
    harness.main(test)
