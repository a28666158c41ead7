#!/usr/bin/env bash
# Installs what is missing, builds the program folder build/kelto and starts
# the program: on $DISPLAY when there is one, else on a private Xvfb.
#   BUILD_DIR   build directory (default: build/ beside this script)
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD
source tools/deps.sh

kelto_install_deps
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
JOBS=$(kelto_jobs)

echo "== configure $BUILD_DIR"
cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== build ($JOBS jobs)"
cmake --build "$BUILD_DIR" -j"$JOBS"

PROGRAM_DIR=$BUILD_DIR/kelto
if [ ! -x "$PROGRAM_DIR/kelto" ]; then
  echo "error: $PROGRAM_DIR/kelto was not built" >&2
  exit 1
fi

xvfb_pid=
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "== starting on your display $DISPLAY"
else
  [ -n "${DISPLAY:-}" ] && echo "== display $DISPLAY does not answer"
  # No screen here: a virtual one, picked free by Xvfb itself, that outlives
  # this script like the program does.
  numfile=$(mktemp)
  setsid nohup Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
    3>"$numfile" >"$BUILD_DIR/xvfb.log" 2>&1 < /dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$numfile" ] && break
    sleep 0.1
  done
  if [ ! -s "$numfile" ]; then
    echo "error: Xvfb did not start (see $BUILD_DIR/xvfb.log)" >&2
    exit 1
  fi
  export DISPLAY=":$(tr -d '\n' < "$numfile")"
  rm -f "$numfile"
  echo "== no display set: started Xvfb on $DISPLAY (pid $xvfb_pid)"
fi

cd "$PROGRAM_DIR"
setsid nohup ./kelto >"$BUILD_DIR/kelto.log" 2>&1 < /dev/null &
pid=$!
cd "$ROOT"

if ! timeout 30 xdotool search --sync --onlyvisible --name '^Кельто$' >/dev/null 2>&1; then
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid" && rc=0 || rc=$?
    echo "error: kelto ended at once with exit code $rc (is it already running?)" >&2
  else
    echo "error: no window \"Кельто\" appeared within 30 s" >&2
  fi
  tail -20 "$BUILD_DIR/kelto.log" >&2 || true
  exit 1
fi

echo
echo "Кельто is running: window \"Кельто\" on display $DISPLAY, pid $pid"
echo "  program folder: $PROGRAM_DIR (its output: $BUILD_DIR/kelto.log)"
if [ -n "$xvfb_pid" ]; then
  echo "  it is a virtual screen; to look at it:  DISPLAY=$DISPLAY import -window root kelto.png"
  echo "  to stop both:                          kill $pid $xvfb_pid"
else
  echo "  to stop it: close the window, or kill $pid"
fi
