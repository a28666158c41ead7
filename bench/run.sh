#!/usr/bin/env bash
# Runs every benchmark: each Google Benchmark executable under BUILD_DIR/bench
# and the start-up benchmark against the bare window. Prints the figures.
#   BUILD_DIR          build directory (default: build/ at the top)
#   KELTO_NO_BUILD=1   use the build as it is instead of bringing it up to date
#   STARTUP_RUNS       start-up runs per side (default 10)
# Extra arguments go to every Google Benchmark executable
# (e.g. --benchmark_filter=Calc).
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}

if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  echo "error: $BUILD_DIR is not configured; run ./run.sh or ./test.sh first" >&2
  exit 1
fi
if [ -z "${KELTO_NO_BUILD:-}" ]; then
  cmake --build "$BUILD_DIR" -j"$(nproc)" >/dev/null || { echo "error: build failed" >&2; exit 1; }
fi

failed=0
found=0
while IFS= read -r exe; do
  # A Google Benchmark executable links the library (or carries its flags
  # when linked statically).
  { readelf -d "$exe" 2>/dev/null | grep -q 'NEEDED.*libbenchmark'; } ||
    grep -q benchmark_filter "$exe" 2>/dev/null || continue
  found=$((found + 1))
  echo "=== ${exe#"$BUILD_DIR"/}"
  # In-process figures need no screen: widgets are drawn offscreen.
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$exe" --benchmark_counters_tabular=true "$@" 2>&1 || failed=1
  echo
done < <(find "$BUILD_DIR/bench" -type f -perm -u+x -not -path '*/CMakeFiles/*' | sort)
[ $found -gt 0 ] || echo "(no Google Benchmark executables under $BUILD_DIR/bench)"

echo "=== start-up"
python3 "$ROOT/bench/startup/startup.py" --build "$BUILD_DIR" -n "${STARTUP_RUNS:-10}" --journal || failed=1
exit $failed
