"""The program starts from a copied folder, shows its one window "Кельто"
with the design client area, and a close from the title bar ends it normally,
saving the diary on the way out."""

import harness


def test():
    with harness.KeltoApp() as app:
        app.start()
        titled = app.windows("Кельто")
        assert len(titled) == 1, f"expected one window titled Кельто, found {len(titled)}"
        w, h = app.client_size()
        assert (w, h) == (638, 457), f"client area {w}x{h}, expected 638x457"
        assert app.running()
        rc = app.close()
        assert rc == 0, f"exit code {rc} after close\n{app.log()}"
        # Only a close that went through the window's own close handling
        # writes the diary; a destroyed window would leave nothing.
        assert app.exists("log.cnf"), "log.cnf not written on close"


if __name__ == "__main__":
    harness.main(test)
