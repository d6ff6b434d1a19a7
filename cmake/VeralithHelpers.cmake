# veralith_library(name SOURCES ... [PUBLIC_DEPS ...] [PRIVATE_DEPS ...])
# One static library per folder. PUBLIC_DEPS are the libraries its public
# headers include, which its users therefore see too; everything only its
# sources use is a PRIVATE_DEPS, so that a user of the layer does not get the
# include paths and compile settings of libraries it has not declared itself.
function(veralith_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_DEPS;PRIVATE_DEPS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "veralith_library(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC veralith_options ${ARG_PUBLIC_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# add_unit_test(name SOURCES ... LIBS ... [QT])
# Builds one GoogleTest executable and registers its tests with ctest. The
# test presets (CMakePresets.json) pin the locale, the time zone and the Qt
# platform for every test; tests that depend on one of them set it themselves
# as well, so that they also pass when run by hand.
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
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endfunction()

# veralith_install_man_page(name)
# Installs docs/man/<name> with the project's version written into its title
# line (@PROJECT_VERSION@ in the source).
function(veralith_install_man_page name)
  configure_file(${PROJECT_SOURCE_DIR}/docs/man/${name} ${PROJECT_BINARY_DIR}/man/${name} @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/man/${name} DESTINATION share/man/man1)
endfunction()
