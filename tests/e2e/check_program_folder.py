"""The program folder is what users copy to a flash drive: it must hold
everything the program reads, nothing that points back into the build tree,
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
WRITTEN_BY_PROGRAM = {"log.cnf", "log.cnf.bak", "note.txt"}
# "at most 5 MB of disk", as the About window promises.
SIZE_LIMIT = 5 * 1024 * 1024


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
        assert size <= SIZE_LIMIT, f"installed program folder is {size} bytes, over 5 MB"

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
        print(f"package {tgz[0]}: {len(packed)} files")


if __name__ == "__main__":
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    harness.main(test)
