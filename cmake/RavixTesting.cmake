find_package(GTest REQUIRED)
include(GoogleTest)

set(RAVIX_NETLAB ${CMAKE_SOURCE_DIR}/tools/netlab/netlab CACHE INTERNAL "network lab script")
# Exit code by which a test tells CTest it was skipped (no root, no lab).
set(RAVIX_SKIP_CODE 77 CACHE INTERNAL "")

# Environment of every test: in a ThreadSanitizer build, the suppressions for libraries
# that are not built for it (tests/tsan.supp).
set(RAVIX_TEST_ENVIRONMENT "")
if(RAVIX_TSAN)
  set(RAVIX_TEST_ENVIRONMENT "TSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/tsan.supp")
endif()

# Qt's threads in the tests run Qt's own event dispatcher, not GLib's: nothing of ours needs
# a GLib main loop, and GLib's dispatcher keeps state that ThreadSanitizer (GLib is not
# built for it) reports as races inside GLib. The mains of the window test programs set
# the same themselves (tests/support/qt_test_main.cpp, tests/gui/gui_test_main.cpp).
set(RAVIX_QT_TEST_DISPATCHER "QT_NO_GLIB=1")

# Environment of window test programs whose cases gtest_discover_tests lists: it splits a
# list-valued property into separate properties (so a second entry never arrived), hence
# one entry: the sanitizer's options where there are any (the window tests' mains default
# to the offscreen platform themselves), else the offscreen platform.
if(RAVIX_TEST_ENVIRONMENT)
  set(RAVIX_GUI_TEST_ENVIRONMENT "${RAVIX_TEST_ENVIRONMENT}")
else()
  set(RAVIX_GUI_TEST_ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()

# ravix_add_gtest(NAME SOURCES... LIBS ...): a unit test executable whose cases CTest lists one by one.
function(ravix_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main ravix_warnings)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 PROPERTIES LABELS unit ENVIRONMENT "${RAVIX_TEST_ENVIRONMENT}")
endfunction()

# ravix_add_lab_test(NAME TARGET <exe target> [LAB <netlab options...>] [ARGS <args...>] [TIMEOUT s])
# Runs the executable inside a fresh network lab (tools/netlab). Without root the lab
# prints why and exits 77, which CTest reports as skipped.
function(ravix_add_lab_test name)
  cmake_parse_arguments(ARG "" "TARGET;TIMEOUT" "LAB;ARGS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  add_test(NAME ${name}
           COMMAND ${RAVIX_NETLAB} --skip-code ${RAVIX_SKIP_CODE} ${ARG_LAB} -- $<TARGET_FILE:${ARG_TARGET}> ${ARG_ARGS})
  set_tests_properties(${name} PROPERTIES
    LABELS lab
    SKIP_RETURN_CODE ${RAVIX_SKIP_CODE}
    TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "RAVIX_SOURCE_DIR=${CMAKE_SOURCE_DIR};RAVIX_BINARY_DIR=${CMAKE_BINARY_DIR};${RAVIX_QT_TEST_DISPATCHER};${RAVIX_TEST_ENVIRONMENT}")
endfunction()

# ravix_add_fuzz_target(NAME SOURCES... LIBS ...): a target defining LLVMFuzzerTestOneInput.
# With RAVIX_FUZZ it is a libFuzzer program (run it on tests/fuzz/corpus/<name>); otherwise
# it is linked with the replay driver and CTest runs it over that seed corpus and a fixed
# series of mutations of it.
function(ravix_add_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ravix_warnings)
  set(corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
  if(RAVIX_FUZZ)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    return()
  endif()
  target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_replay_main.cpp)
  add_test(NAME ${name} COMMAND ${name} ${corpus})
  # A broken length in the input may ask for gigabytes; the libraries check for a null
  # answer (as malloc gives without a sanitizer), which a sanitizer must then give too.
  set(environment ${RAVIX_TEST_ENVIRONMENT})
  if(RAVIX_ASAN)
    set(environment "ASAN_OPTIONS=allocator_may_return_null=1")
  elseif(RAVIX_TSAN)
    set(environment "${RAVIX_TEST_ENVIRONMENT}:allocator_may_return_null=1")
  endif()
  set_tests_properties(${name} PROPERTIES
    LABELS "unit;fuzz"
    TIMEOUT 600
    ENVIRONMENT "${environment}")
endfunction()
