# kelto_add_qtest(<name> SOURCES <files...> LIBS <targets...> [GUI] [PGSERVER])
# One Qt Test executable per area; widget tests run on the offscreen platform
# and never see the real home folder. PGSERVER: the test starts a PostgreSQL
# server of its own (tests/support/pgserver.h) and skips where it cannot.
find_package(Python3 COMPONENTS Interpreter)
function(kelto_add_qtest name)
  cmake_parse_arguments(T "GUI;PGSERVER" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Test)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  if(T_PGSERVER)
    find_package(Qt6 REQUIRED COMPONENTS Sql)
    target_link_libraries(${name} PRIVATE Qt6::Sql)
    target_compile_definitions(${name} PRIVATE
      KELTO_PYTHON="${Python3_EXECUTABLE}"
      KELTO_PGCLUSTER="${PROJECT_SOURCE_DIR}/tests/support/pgcluster.py")
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set(env "QT_QPA_PLATFORM=offscreen" "HOME=${CMAKE_BINARY_DIR}/testhome"
          "XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/testhome/.config"
          "XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/testhome/run"
          "QT_ASSUME_STDERR_HAS_CONSOLE=1")
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 300)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/testhome/.config ${CMAKE_BINARY_DIR}/testhome/run)
endfunction()

# kelto_add_fuzzer(<name> SOURCES <files...> LIBS <targets...> CORPUS <dir>)
# Built only with -DKELTO_FUZZ=ON (clang); CTest runs each for a bounded time.
set(KELTO_FUZZ_SECONDS 30 CACHE STRING "Seconds each fuzz target runs under CTest")
function(kelto_add_fuzzer name)
  if(NOT KELTO_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(work ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
                   $<TARGET_FILE:${name}> -max_total_time=${KELTO_FUZZ_SECONDS} -rss_limit_mb=2048
                   -timeout=10 -max_len=65536 ${work} ${F_CORPUS})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 600)
  file(MAKE_DIRECTORY ${work})
endfunction()

# kelto_add_e2e(<name> <script.py>)
# An end-to-end case: the script drives the real program folder (KELTO_DIR,
# part of the default build) on its own Xvfb through tests/e2e/harness.py.
# Not in fuzz builds, whose program is instrumented for the fuzzers only.
function(kelto_add_e2e name script)
  if(KELTO_FUZZ)
    return()
  endif()
  if(NOT Python3_Interpreter_FOUND)
    message(WARNING "python3 not found: end-to-end test ${name} left out")
    return()
  endif()
  get_filename_component(script ${script} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  add_test(NAME ${name} COMMAND Python3::Interpreter ${script})
  set_tests_properties(${name} PROPERTIES
    LABELS e2e TIMEOUT 120
    ENVIRONMENT "KELTO_PROGRAM_DIR=${KELTO_DIR};PYTHONPATH=${CMAKE_SOURCE_DIR}/tests/e2e;PYTHONDONTWRITEBYTECODE=1")
endfunction()
