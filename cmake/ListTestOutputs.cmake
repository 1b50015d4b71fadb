# cmake -DBUILD_DIR=<build tree> -DLABELS=<label;...> -P ListTestOutputs.cmake
# Prints, one per line and relative to the build tree, the files of the build
# tree that the CTest tests carrying one of LABELS use: their programs, and the
# build-tree paths in their arguments and environment (a library under test,
# an LD_PRELOAD). It reads the generated CTestTestfile.cmake files, so it sees
# tests however they were added. Some lines are no build output (a folder the
# configure step made): keep only those the build system knows as targets.
cmake_minimum_required(VERSION 3.25)

if(NOT BUILD_DIR OR NOT LABELS)
  message(FATAL_ERROR "ListTestOutputs: pass -DBUILD_DIR=<build tree> -DLABELS=<label;...>")
endif()
get_filename_component(BUILD_DIR "${BUILD_DIR}" ABSOLUTE)
if(NOT EXISTS "${BUILD_DIR}/CTestTestfile.cmake")
  message(FATAL_ERROR "ListTestOutputs: ${BUILD_DIR} is not a configured build tree")
endif()

# The generated files call add_test(), set_tests_properties() and subdirs();
# here they only record.
function(add_test name)
  set_property(GLOBAL PROPERTY _test_command_${name} "${ARGN}")
  set_property(GLOBAL APPEND PROPERTY _tests ${name})
endfunction()

function(set_tests_properties name)
  # ARGV<n>, unlike ARGN, keeps a value that is itself a list in one piece.
  math(EXPR last "${ARGC} - 1")
  foreach(i RANGE 2 ${last} 2)
    math(EXPR v "${i} + 1")
    if(ARGV${i} STREQUAL "LABELS" OR ARGV${i} STREQUAL "ENVIRONMENT")
      set_property(GLOBAL PROPERTY _test_${ARGV${i}}_${name} "${ARGV${v}}")
    endif()
  endforeach()
endfunction()

function(subdirs)
  foreach(dir IN LISTS ARGN)
    _read_testfile("${CMAKE_CURRENT_TESTFILE_DIR}/${dir}")
  endforeach()
endfunction()

function(_read_testfile dir)
  set(CMAKE_CURRENT_TESTFILE_DIR "${dir}")
  if(EXISTS "${dir}/CTestTestfile.cmake")
    include("${dir}/CTestTestfile.cmake")
  endif()
endfunction()

_read_testfile("${BUILD_DIR}")

get_property(tests GLOBAL PROPERTY _tests)
set(found)
foreach(test IN LISTS tests)
  get_property(test_labels GLOBAL PROPERTY _test_LABELS_${test})
  set(wanted FALSE)
  foreach(label IN LISTS test_labels)
    if(label IN_LIST LABELS)
      set(wanted TRUE)
    endif()
  endforeach()
  if(NOT wanted)
    continue()
  endif()
  get_property(command GLOBAL PROPERTY _test_command_${test})
  get_property(environment GLOBAL PROPERTY _test_ENVIRONMENT_${test})
  # Paths may stand alone, after "-DNAME=" or "NAME=", or in a ":" list.
  set(words ${command} ${environment})
  foreach(word IN LISTS words)
    string(REGEX REPLACE "^(-D)?[A-Za-z_][A-Za-z0-9_]*=" "" word "${word}")
    string(REPLACE ":" ";" parts "${word}")
    foreach(path IN LISTS parts)
      string(FIND "${path}" "${BUILD_DIR}/" at)
      if(at EQUAL 0)
        file(RELATIVE_PATH rel "${BUILD_DIR}" "${path}")
        list(APPEND found "${rel}")
      endif()
    endforeach()
  endforeach()
endforeach()

list(REMOVE_DUPLICATES found)
list(SORT found)
foreach(rel IN LISTS found)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${rel}")
endforeach()
