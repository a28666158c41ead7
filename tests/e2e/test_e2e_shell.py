"""The header of the main window as a user meets it: "Инфо" opens the About
window and a click on its picture closes it; a first start without ini.cnf
applies the standard plug-in and remembers it; the close hot spot at the top
right ends the program and writes the diary."""

import harness
from harness import controls


def test():
    with harness.KeltoApp() as app:
        assert not app.exists("ini.cnf")
        app.start()

        # Remembered on the first start: line 1 names the standard plug-in,
        # relative to the program folder.
        lines = app.wait_until(lambda: app.exists("ini.cnf") and app.read_lines("ini.cnf"),
                               message="ini.cnf not written at the first start")
        assert lines[0] == "plugins/стандарт.plg", lines

        app.click(*controls.INFO_BUTTON)
        about = app.wait_window("О программе")
        assert tuple(app.server.x.geometry(about)[2:]) == (432, 198), app.server.x.geometry(about)
        # While it is open the main window takes no input: the close hot spot
        # does nothing.
        app.click(*controls.TOP_RIGHT)
        assert app.running()
        # Anywhere on the picture outside the logo closes it.
        app.click(*controls.ABOUT_PICTURE, window=about)
        app.wait_until(lambda: not app.windows("О программе"), message="About window still shown")

        # The top-right hot spot, right of "Инфо".
        app.click(*controls.CLOSE_SPOT_RIGHT)
        rc = app.wait_exit()
        assert rc == 0, f"exit code {rc}\n{app.log()}"
        assert app.read_lines("log.cnf") == ["0"]


if __name__ == "__main__":
    harness.main(test)
