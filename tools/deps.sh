# Debian 12 packages the project needs, in one place for ./run.sh and ./test.sh.
# Sourced, not run: defines KELTO_DEBS and kelto_install_deps.

KELTO_DEBS=(
  # build
  cmake g++ make pkgconf
  qt6-base-dev           # Qt Widgets, Print Support; libqt6gui6 carries the JPEG image plug-in
  qt6-qpa-plugins        # the xcb platform the window runs on
  qt6-translations-l10n  # qtbase_ru.qm: Qt's own dialogs and menus in Russian
  libqt6sql6-sqlite      # QSQLITE: the control journal journal.db (bundled into the folder)
  patchelf               # run paths of the Qt libraries bundled in the program folder
  bubblewrap             # the test that runs the folder with the system's Qt hidden
  libbenchmark-dev       # in-process benchmarks
  clang-14 libclang-rt-14-dev   # libFuzzer targets
  # fonts copied into the program folder
  fonts-liberation
  fonts-dejavu-core
  # a window without a desktop: end-to-end tests, start-up benchmark, screenshots
  xvfb xauth xdotool x11-utils imagemagick libx11-6
  gdb                    # backtraces of a program that does not end, in an end-to-end failure's report
  poppler-utils          # pdftotext, pdfinfo: the technique card's PDF read back by its test
  libreoffice-calc-nogui # soffice: the journal's CSV read back by a spreadsheet program in its test
  libqt6sql6-psql        # Qt's PostgreSQL driver: the control journal on a laboratory server
  postgresql             # the server the journal's integration tests start in a temporary folder
  python3
)

# Installs whatever of KELTO_DEBS is missing. Needs root (or sudo) only when
# something is actually missing.
kelto_install_deps() {
  local missing=() p
  for p in "${KELTO_DEBS[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    echo "== Debian packages: all present"
    return 0
  fi
  echo "== Debian packages to install: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then sudo=(sudo); else
      echo "error: run as root (or install: apt-get install ${missing[*]})" >&2
      return 1
    fi
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -q || return 1
  "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" || return 1
}

# Number of parallel build jobs: the machine's cores.
kelto_jobs() { nproc 2>/dev/null || echo 2; }
