"""The program folder is what users copy to a flash drive: it must hold
everything the program reads, its own Qt with the libraries that a desktop
Linux does not always have, nothing that points back into the build tree,
and the install and the .tar.gz package must be that same folder.

Environment: KELTO_BUILD_DIR (the build tree), KELTO_PROGRAM_DIR (its kelto/).
"""

import os
import subprocess
import sys
import tarfile
import tempfile

import harness

# The user's own diary and its export: never part of what is shipped.
WRITTEN_BY_PROGRAM = {"log.cnf", "log.cnf.bak", "note.txt", "QtProject.conf"}
# The folder carries Qt and ICU (ICU's data alone is 30 MB) and, for the
# journal on a laboratory server, libpq with its TLS, Kerberos and LDAP
# libraries (14 MB): about 82 MB installed (README). The limit leaves room
# for a Qt update, not for a second copy of anything or for debugging
# information.
SIZE_LIMIT = 90 * 1024 * 1024
SIZE_TEXT = "90 MB"

# Bundled: Qt, the libraries only Qt brings along, the three Qt plug-ins.
MUST_CARRY = [
    "lib/libQt6Core.so.6", "lib/libQt6Gui.so.6", "lib/libQt6Widgets.so.6",
    "lib/libQt6XcbQpa.so.6", "lib/libQt6DBus.so.6", "lib/libicudata.so.72",
    "lib/libdouble-conversion.so.3", "lib/libpcre2-16.so.0", "lib/libmd4c.so.0", "lib/libb2.so.1",
    "lib/libjpeg.so.62", "qt/platforms/libqxcb.so", "qt/imageformats/libqjpeg.so", "qt.conf",
    "lib/libQt6PrintSupport.so.6", "qt/printsupport/libcupsprintersupport.so",
    "translations/qtbase_ru.qm",
]
# Taken from the system on purpose: the machine's own C library, graphics
# drivers, X11, fonts, GLib, D-Bus and the printing system's client.
MUST_NOT_CARRY = ("libc.so", "libstdc++", "libgcc_s", "libX11", "libxcb.so", "libGL", "libEGL",
                  "libfontconfig", "libfreetype", "libglib-2.0", "libdbus-1", "libz.so", "libcups.so")
# Libraries the system of the test machine has that must come from the folder.
FROM_FOLDER = ("libQt6", "libicu", "libdouble-conversion", "libpcre2-16", "libmd4c", "libb2",
               "libjpeg")


def check_links(folder):
    """Every ELF file resolves the bundled libraries inside the folder and
    nothing is missing, even with the system's copies present."""
    elves = [os.path.join(folder, "kelto")]
    for sub in ("lib", "qt/platforms", "qt/imageformats", "qt/printsupport"):
        d = os.path.join(folder, sub)
        elves += [os.path.join(d, n) for n in sorted(os.listdir(d))]
    real = os.path.realpath(folder) + os.sep
    for f in elves:
        out = subprocess.run(["ldd", f], check=True, text=True, stdout=subprocess.PIPE).stdout
        for line in out.splitlines():
            assert "not found" not in line, f"{f}: {line.strip()}"
            name = line.split()[0]
            if name.startswith(FROM_FOLDER) and "=>" in line:
                where = os.path.realpath(line.split("=>")[1].split()[0])
                assert where.startswith(real), f"{os.path.relpath(f, folder)} takes {name} from {where}"
        rpath = subprocess.run(["patchelf", "--print-rpath", f], check=True, text=True,
                               stdout=subprocess.PIPE).stdout.strip()
        assert rpath.startswith("$ORIGIN") and ":" not in rpath, \
            f"{os.path.relpath(f, folder)}: run path {rpath!r} is not the folder's own"


def tree(root):
    out = {}
    for d, _, names in os.walk(root):
        for n in names:
            p = os.path.join(d, n)
            out[os.path.relpath(p, root)] = os.path.getsize(p)
    return out


def shipped(files):
    return {k: v for k, v in files.items() if k not in WRITTEN_BY_PROGRAM}


def test():
    build = os.environ["KELTO_BUILD_DIR"]
    folder = harness.default_program_dir()
    exe = os.path.join(folder, "kelto")
    assert os.access(exe, os.X_OK), f"{exe} is missing: the program is not built"

    files = tree(folder)
    for style in ("Regular", "Bold", "Italic", "BoldItalic"):
        name = f"fonts/LiberationSans-{style}.ttf"
        assert name in files, f"{name} missing from the program folder"
    assert "plugins/стандарт.plg" in files, "the default plug-in plugins/стандарт.plg is missing"
    for name in MUST_CARRY:
        assert name in files, f"{name} missing from the program folder"
    for name in files:
        assert not os.path.basename(name).startswith(MUST_NOT_CARRY), \
            f"{name} is the system's to give, not the folder's"
    check_links(folder)

    # A run path into the build or source tree would make the copied folder
    # work only on this machine.
    dyn = subprocess.run(["readelf", "-d", exe], check=True, text=True,
                         stdout=subprocess.PIPE).stdout
    src = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    for line in dyn.splitlines():
        if "RPATH" in line or "RUNPATH" in line:
            assert build not in line and src not in line, f"run path into the tree: {line.strip()}"

    with tempfile.TemporaryDirectory(prefix="kelto-pkg-") as tmp:
        prefix = os.path.join(tmp, "prefix")
        subprocess.run(["cmake", "--install", build, "--prefix", prefix, "--strip"],
                       check=True, stdout=subprocess.DEVNULL)
        installed = tree(os.path.join(prefix, "kelto"))
        want = shipped(files)
        got = shipped(installed)
        assert sorted(got) == sorted(want), (
            f"install differs from the program folder: "
            f"missing {sorted(set(want) - set(got))}, extra {sorted(set(got) - set(want))}")
        leaked = sorted(set(installed) & WRITTEN_BY_PROGRAM)
        assert not leaked, f"install ships files the program writes itself: {leaked}"
        size = sum(installed.values())
        print(f"installed program folder: {len(installed)} files, {size / 1048576:.2f} MB")
        assert size <= SIZE_LIMIT, f"installed program folder is {size} bytes, over {SIZE_TEXT}"
        check_links(os.path.join(prefix, "kelto"))

        subprocess.run(["cpack", "-G", "TGZ", "--config", os.path.join(build, "CPackConfig.cmake"),
                        "-B", os.path.join(tmp, "pkg")], check=True, stdout=subprocess.DEVNULL)
        tgz = [f for f in os.listdir(os.path.join(tmp, "pkg")) if f.endswith(".tar.gz")]
        assert len(tgz) == 1, f"expected one .tar.gz, found {tgz}"
        with tarfile.open(os.path.join(tmp, "pkg", tgz[0])) as t:
            names = {m.name.split("/", 1)[1] for m in t.getmembers() if m.isfile() and "/" in m.name}
        packed = {n[len("kelto/"):] for n in names if n.startswith("kelto/")}
        assert shipped(dict.fromkeys(packed, 0)).keys() == want.keys(), (
            f"package differs from the program folder: missing {sorted(set(want) - packed)}, "
            f"extra {sorted(packed - set(want))}")
        assert not (packed & WRITTEN_BY_PROGRAM), "package ships files the program writes itself"
        print(f"package {tgz[0]}: {len(packed)} files, "
              f"{os.path.getsize(os.path.join(tmp, 'pkg', tgz[0])) / 1048576:.2f} MB")


if __name__ == "__main__":
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    harness.main(test)
