"""Pasting into the notepad while nothing has been copied (a fresh X server
has no clipboard owner, as after log-in): Ctrl+V, Shift+Insert and a middle
click leave the program running and the typed text as it was; it is saved at
close."""

import harness
from harness import controls


def test():
    with harness.KeltoApp() as app:
        app.start()
        app.click(*controls.NOTEPAD)
        app.type_text("abc")
        for attempt in ("ctrl+v", "shift+Insert", "middle click"):
            if attempt == "middle click":
                app.click(*controls.NOTEPAD, button=2)
            else:
                app.key(attempt)
            assert app.running(), f"the program ended on {attempt} with an empty clipboard " \
                                  f"(exit {app.proc.returncode})\n{app.log()}"
        app.type_text("d")
        rc = app.close()
        assert rc == 0, f"exit code {rc}"
        lines = app.read_lines("log.cnf")
        assert lines[-1] == "abcd", f"log.cnf after the pastes: {lines!r}"


if __name__ == "__main__":
    harness.main(test)
