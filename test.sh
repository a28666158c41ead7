#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test in three builds:
#   build/        RelWithDebInfo, gcc: every test (unit, widget, end-to-end, ...)
#                 but the sandbox one, which runs next in a stage of its own:
#   sandbox       the installed folder of build/ in a bubblewrap sandbox
#                 without the system's Qt; needs root (or unprivileged user
#                 namespaces) and is reported skipped, with the reason, without
#   build-asan/   AddressSanitizer + UndefinedBehaviorSanitizer, gcc: the same
#                 tests except end-to-end and benchmark ones; any report fails
#   build-fuzz/   clang 14 + libFuzzer: every fuzz target for KELTO_FUZZ_SECONDS
# Ends with a summary; the exit code is non-zero when anything failed.
#   BUILD_DIR           first build directory (default: build/ here); the
#                       others are BUILD_DIR-asan and BUILD_DIR-fuzz
#   KELTO_STAGES        which stages to run (default: "normal sandbox asan fuzz")
#   KELTO_FUZZ_SECONDS  seconds per fuzz target (default: 30)
set -uo pipefail
cd "$(dirname "$0")"
ROOT=$PWD
source tools/deps.sh

BUILD_DIR=${BUILD_DIR:-$ROOT/build}
STAGES=${KELTO_STAGES:-normal sandbox asan fuzz}
FUZZ_SECONDS=${KELTO_FUZZ_SECONDS:-30}
JOBS=$(kelto_jobs)

# A sanitizer report ends the test that triggered it with a failure.
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=0:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$ROOT/tests/lsan.supp:print_suppressions=0
# Widget tests set the offscreen platform themselves; nothing may reach a
# real screen or session.
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS

summary=()
failed=0
t_all=$SECONDS

# stage <name> <build dir> <ctest args...> -- <cmake configure args...>
stage() {
  local name=$1 dir=$2; shift 2
  local ctest_args=() cmake_args=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do ctest_args+=("$1"); shift; done
  shift
  cmake_args=("$@")
  local t0=$SECONDS result=PASS detail="" log=$dir/ctest-summary.txt
  echo
  echo "=================== $name: $dir"
  if ! cmake -S "$ROOT" -B "$dir" "${cmake_args[@]}"; then
    result=FAIL; detail="configure failed"
  else
    local targets=()
    if [ "$name" = fuzz ]; then
      # Only the fuzzers: the rest of the tree was built and tested above.
      mapfile -t targets < <(ctest --test-dir "$dir" -N -L fuzz | sed -n 's/^ *Test *#[0-9]*: *//p')
      if [ ${#targets[@]} -eq 0 ]; then
        result=FAIL; detail="no fuzz targets"
      fi
      targets=(--target "${targets[@]}")
    fi
    if [ "$result" = PASS ] && ! cmake --build "$dir" -j"$JOBS" "${targets[@]}"; then
      result=FAIL; detail="build failed"
    fi
    if [ "$result" = PASS ]; then
      ctest --test-dir "$dir" --output-on-failure --no-tests=error "${ctest_args[@]}" 2>&1 | tee "$log"
      if [ "${PIPESTATUS[0]}" -ne 0 ]; then
        result=FAIL
      fi
      detail=$(grep -E 'tests passed' "$log" | tail -1)
      if grep -q '(Skipped)' "$log"; then
        detail="$detail; skipped: $(grep -h '^[0-9]*: SKIPPED' "$log" | sed 's/^[0-9]*: //' | head -1)"
      fi
    fi
  fi
  [ "$result" = PASS ] || failed=1
  summary+=("$(printf '%-7s %-5s %4ds  %s' "$name" "$result" $((SECONDS - t0)) "$detail")")
  if [ "$result" = FAIL ] && [ -f "$log" ]; then
    while read -r line; do summary+=("                      $line"); done \
      < <(sed -n '/The following tests FAILED/,$p' "$log" | grep -E '^\s+[0-9]+ - ')
  fi
}

if ! kelto_install_deps; then
  echo "error: could not install the Debian packages" >&2
  exit 1
fi

for s in $STAGES; do
  case $s in
    normal)
      stage normal "$BUILD_DIR" -j"$JOBS" -LE sandbox -- -DCMAKE_BUILD_TYPE=RelWithDebInfo ;;
    sandbox)
      # The build of the normal stage, only its sandbox test, verbose so that
      # a skip shows its reason.
      stage sandbox "$BUILD_DIR" -V -L sandbox -- -DCMAKE_BUILD_TYPE=RelWithDebInfo ;;
    asan)
      stage asan "$BUILD_DIR-asan" -j"$JOBS" -LE 'e2e|bench|fuzz' -- \
        -DCMAKE_BUILD_TYPE=Debug -DKELTO_SANITIZE=ON -DKELTO_BENCH=OFF ;;
    fuzz)
      stage fuzz "$BUILD_DIR-fuzz" -j"$JOBS" -L fuzz -- \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
        -DKELTO_FUZZ=ON -DKELTO_BENCH=OFF -DKELTO_FUZZ_SECONDS="$FUZZ_SECONDS" ;;
    *) echo "unknown stage $s" >&2; failed=1 ;;
  esac
done

echo
echo "=================== summary ($((SECONDS - t_all)) s)"
printf '%s\n' "${summary[@]}"
if [ $failed -ne 0 ]; then
  echo "RESULT: FAILED"
  exit 1
fi
echo "RESULT: all tests passed"
