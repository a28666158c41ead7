"""One journal for the laboratory, end to end: two program folders (two
technicians, two database users) point their journal.cnf at one PostgreSQL
server of the test's own (a fresh cluster in a temporary folder, its Unix
socket only, trust on that socket, no password file of the real home). Both
open "Журнал контроля"; an entry saved in the first appears in the second's
open window within 5 s, read from that window as a user would copy it
(Ctrl+C on the table's first row). Skipped, saying why, where the server
cannot start."""

import os
import subprocess
import sys
import time

import harness

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import pgcluster  # noqa: E402

SKIP = 77
JOURNAL = "Журнал контроля"
SQL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src", "journalserver",
                   "journal-server.sql")
# The table's first row, "Стык" column, in the journal window's client area
# (pixels of the window as it opens).
FIRST_ROW_JOINT = (330, 65)


def journal_cnf(pg, user):
    lines = ["server", pg.host, str(pg.port), "journal", user, "prefer"]
    return ("\r\n".join(lines) + "\r\n").encode("cp1251")


def first_row_joint(app, journal, poll=[0]):
    """The first row's joint as the window shows it, copied with Ctrl+C."""
    # Never the pointer's own place: xdotool's synchronous move would wait
    # for a motion that does not come.
    poll[0] += 1
    x, y = FIRST_ROW_JOINT
    app.click(x + 10 * (poll[0] % 2), y, window=journal)
    app.key("ctrl+c", window=journal)
    return app.clipboard(timeout=2)


def test():
    pg = pgcluster.Cluster(lifetime=180)
    try:
        pg.create()
        pg.start()
    except pgcluster.Unavailable as e:
        pg.close()
        print(f"SKIP: the test's own PostgreSQL server cannot start here: {e}")
        sys.exit(SKIP)
    try:
        # The laboratory's set-up: the administrator runs the shipped SQL and
        # makes a user per technician.
        pg.psql("CREATE DATABASE journal")
        subprocess.run(["psql", "-X", "-q", "-v", "ON_ERROR_STOP=1", "-h", pg.host, "-p", str(pg.port), "-U", pg.user,
                        "-d", "journal", "-f", SQL], check=True, timeout=60, stdout=subprocess.DEVNULL)
        for user in ("ivanov", "petrov"):
            pg.psql(f"CREATE ROLE {user} LOGIN IN ROLE kelto_journal", database="journal")
        with harness.KeltoApp() as first, harness.KeltoApp() as second:
            for app, user in ((first, "ivanov"), (second, "petrov")):
                app.write_file("journal.cnf", journal_cnf(pg, user))
                # libpq looks for a password file: one of the test's, never the real home's.
                app.extra_env["PGPASSFILE"] = os.path.join(app.base, "pgpass")
                app.start()
                app.key("ctrl+j")
            mine = first.wait_window(JOURNAL, timeout=20)
            theirs = second.wait_window(JOURNAL, timeout=20)
            assert first_row_joint(second, theirs) is None, "the journal on the server was not empty"

            first.key("ctrl+n", window=mine)
            first.type_text("Газопровод", window=mine)
            first.key("Tab", window=mine)
            first.type_text("С-42", window=mine)
            first.key("ctrl+s", window=mine)
            saved = time.monotonic()
            pg_rows = lambda: pg.psql("SELECT joint || '|' || created_db FROM entries", database="journal").split()
            first.wait_until(lambda: pg_rows() == ["С-42|ivanov"], 5,
                             message=f"the entry did not reach the server: {pg_rows()}")
            second.wait_until(lambda: first_row_joint(second, theirs) == "С-42", 5 + 1,
                              message="the entry did not appear in the second technician's window")
            took = time.monotonic() - saved
            assert took <= 5.5, f"the entry appeared after {took:.1f} s"
            first.close()
            second.close()
    finally:
        pg.close()


if __name__ == "__main__":
    harness.main(test)
