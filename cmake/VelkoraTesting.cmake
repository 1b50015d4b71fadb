# Test and benchmark helpers.
set(VELKORA_TEST_RUNTIME_DIR ${CMAKE_BINARY_DIR}/test-runtime)
file(MAKE_DIRECTORY ${VELKORA_TEST_RUNTIME_DIR})
set(VELKORA_SANITIZER_SUPPRESSIONS ${PROJECT_SOURCE_DIR}/cmake/lsan.supp)

function(_velkora_test_env name)
  set(env
    QT_QPA_PLATFORM=offscreen
    XDG_RUNTIME_DIR=${VELKORA_TEST_RUNTIME_DIR}
    LSAN_OPTIONS=suppressions=${VELKORA_SANITIZER_SUPPRESSIONS}:print_suppressions=0
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)
  # ThreadSanitizer's settings are built into the programs (VelkoraCompile.cmake).
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
endfunction()

# Shared body of the two test kinds: one executable, one CTest test.
function(_velkora_add_test name framework_libs)
  cmake_parse_arguments(ARG "" "LABEL;TIMEOUT" "SOURCES;LIBS;ARGS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${framework_libs} ${ARG_LIBS} velkora_compile_options)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  add_test(NAME ${name} COMMAND ${name} ${ARG_ARGS})
  _velkora_test_env(${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABEL}" TIMEOUT ${ARG_TIMEOUT})
endfunction()

# velkora_add_qt_test(<name> LABEL <label> SOURCES ... [LIBS ...] [TIMEOUT s] [ARGS ...])
# ARGS go to the program (QtTest: the test functions to run).
function(velkora_add_qt_test name)
  _velkora_add_test(${name} Qt6::Test ${ARGN})
  if(VELKORA_SANITIZER STREQUAL "tsan")
    # Tells TSan the ordering of Qt's queued calls and thread ends, which the
    # uninstrumented Qt hides from it (tests/tsan/CMakeLists.txt).
    target_link_libraries(${name} PRIVATE velkora_qt_tsan_annotations)
  endif()
endfunction()

# velkora_add_test_run(<name> TEST <test> ENV <VAR=value>...): the program of
# <test> run once more under <name>, with the variables added, labels and time-out alike.
function(velkora_add_test_run name)
  cmake_parse_arguments(ARG "" "TEST" "ENV" ${ARGN})
  get_test_property(${ARG_TEST} LABELS labels)
  get_test_property(${ARG_TEST} TIMEOUT timeout)
  add_test(NAME ${name} COMMAND ${ARG_TEST})
  _velkora_test_env(${name})
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT ${ARG_ENV})
  set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT ${timeout})
endfunction()

# velkora_add_gtest(<name> LABEL <label> SOURCES ... [LIBS ...] [TIMEOUT s] [ARGS ...])
function(velkora_add_gtest name)
  find_package(GTest REQUIRED)
  _velkora_add_test(${name} "GTest::gtest;GTest::gtest_main;GTest::gmock" ${ARGN})
endfunction()

# velkora_add_benchmark(<name> SOURCES ... [LIBS ...]); built, never run by CTest.
function(velkora_add_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE benchmark::benchmark benchmark::benchmark_main ${ARG_LIBS} velkora_compile_options)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()

# Adds every direct sub-folder of the current source folder that has a CMakeLists.txt.
function(velkora_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
