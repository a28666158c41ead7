"""Autostart changes only when this user chooses it. A folder shared by two
users: the other user turned autostart on (line 2 of ini.cnf), and this
user, who has no entry of their own, or one switched off, gets none at
start; this user's own entry still follows a moved folder. A plug-in whose
name holds a line break is not offered by "Настройка", so its second half
never becomes the autostart flag."""

import os

import harness
from harness import controls


def entry_text(program, hidden):
    return ("[Desktop Entry]\nType=Application\nVersion=1.0\nName=Кельто\n"
            f"Exec={program}\nTerminal=false\nHidden={'true' if hidden else 'false'}\n")


def test():
    with harness.KeltoApp() as app:
        app.write_file("ini.cnf", "plugins/стандарт.plg\r\n1\r\n")
        app.start()
        entry = os.path.join(app.program_env()["XDG_CONFIG_HOME"], "autostart", "kelto.desktop")
        assert app.close() == 0
        assert not os.path.exists(entry), "an entry made for a user who never chose autostart"

        os.makedirs(os.path.dirname(entry), exist_ok=True)
        for hidden, expected in ((True, entry_text("/media/old/kelto", True)),
                                 (False, entry_text(app.path("kelto"), False))):
            with open(entry, "w", encoding="utf-8") as f:
                f.write(entry_text("/media/old/kelto", hidden))
            app.start()
            assert app.close() == 0
            with open(entry, encoding="utf-8") as f:
                got = f.read()
            assert got == expected, f"entry (hidden={hidden}) after a start: {got!r}"
        os.remove(entry)

        # A plug-in named "a<LF>evil.plg" sorts first; the first entry of
        # the list is chosen from the keyboard.
        with open(app.path("plugins/стандарт.plg"), "rb") as f:
            app.write_file("plugins/a\nevil.plg", f.read())
        app.write_file("ini.cnf", "plugins/тёмный.plg\r\n0\r\n")
        app.start()
        app.click(*controls.SETTINGS_BUTTON)
        dialog = app.wait_window("Выбор плагина оформления")
        app.key("Home", "Return", window=dialog)
        app.wait_until(lambda: not app.windows("Выбор плагина оформления"), 10,
                       message="the plug-in dialog stayed open")
        harness.assert_no_boxes(app, "after choosing the first plug-in")
        assert app.close() == 0
        lines = app.read_lines("ini.cnf")
        assert lines == ["plugins/стандарт.plg", "0"], f"ini.cnf after the choice: {lines!r}"
        app.start()
        assert app.close() == 0
        assert not os.path.exists(entry), "an entry made from a plug-in's name"


if __name__ == "__main__":
    harness.main(test)
