find_package(GTest REQUIRED)
include(GoogleTest)

# Every test that prepares images keeps its cache of prepared copies here,
# never in the user's own cache folder.
set(MARIVEL_TEST_CACHE_HOME ${CMAKE_BINARY_DIR}/test-cache)

# Test programs are most of what ./test compiles. They keep line tables
# (a failure's backtrace still names file and line) but not the full debug
# information, which costs a third more compile time, and are optimised less
# (the code they test is built as shipped); and the larger Qt ones
# parse the widget and GoogleTest headers once per program instead of once
# per file. Making the precompiled header costs as much as about four files
# gain from it, so a program of fewer files goes without.
function(marivel_lighter_test_build target qt libs sources)
  target_compile_options(${target} PRIVATE $<$<CONFIG:RelWithDebInfo>:-O1 -g1>)
  list(LENGTH sources count)
  if(qt AND count GREATER_EQUAL 6)
    set(headers <gtest/gtest.h> <QApplication> <QLineEdit> <QTimer> <QWidget>
      <filesystem> <functional> <string> <vector>)
    if("Qt6::Test" IN_LIST libs)
      list(APPEND headers <QTest>)
    endif()
    target_precompile_headers(${target} PRIVATE ${headers})
  endif()
endfunction()

# marivel_add_test(NAME name SOURCES ... LIBS ... [QT])
# One GoogleTest program, registered test by test with CTest. QT tests run on
# the offscreen platform so they need no display.
function(marivel_add_test)
  cmake_parse_arguments(T "QT" "NAME" "SOURCES;LIBS" ${ARGN})
  if(T_QT)
    add_executable(${T_NAME} ${T_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/qt_gtest_main.cpp)
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Widgets GTest::gtest GTest::gmock marivel_warnings)
  else()
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock marivel_warnings)
  endif()
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  marivel_lighter_test_build(${T_NAME} "${T_QT}" "${T_LIBS}" "${T_SOURCES}")
  add_dependencies(${T_NAME} marivel_program_files)
  if(T_QT)
    set(env "QT_QPA_PLATFORM=offscreen")
  else()
    set(env "MARIVEL_TEST=1")
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "${env}" ENVIRONMENT_MODIFICATION "XDG_CACHE_HOME=set:${MARIVEL_TEST_CACHE_HOME}"
      TIMEOUT 120)
endfunction()
