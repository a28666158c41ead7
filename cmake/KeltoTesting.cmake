# kelto_add_qtest(<name> SOURCES <files...> LIBS <targets...> [GUI])
# One Qt Test executable per area; widget tests run on the offscreen platform
# and never see the real home folder.
function(kelto_add_qtest name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Test)
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
