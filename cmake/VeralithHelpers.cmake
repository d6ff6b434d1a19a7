# veralith_library(name SOURCES ... DEPS ...)
# One static library per folder; DEPS are linked publicly so that a layer's
# users see what its headers include.
function(veralith_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC veralith_options ${ARG_DEPS})
endfunction()

# add_unit_test(name SOURCES ... LIBS ... [QT])
# Builds one GoogleTest executable and registers its tests with ctest. Tests
# run with a pinned locale and time zone unless a test sets its own, and with
# the offscreen Qt platform so that no display is needed.
function(add_unit_test name)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE veralith_options ${ARG_LIBS} GTest::gtest GTest::gmock)
  if(NOT ARG_QT)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT
      "QT_QPA_PLATFORM=offscreen;TZ=UTC;LC_ALL=C.UTF-8;XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/xdg-runtime;VERALITH_SOURCE_DIR=${PROJECT_SOURCE_DIR};ASAN_OPTIONS=detect_leaks=1")
endfunction()
