# cmake -DROOT=<source tree> -P CheckUnseenThreads.cmake
# Fails, listing each one, when a source starts a thread through
# QThread::create or std::async: both run the body through std::call_once,
# which ThreadSanitizer (with ignore_noninstrumented_modules) never checks.
# A QThread subclass or a std::thread keeps the body in view.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/VelkoraLayers.cmake)

if(NOT ROOT)
  message(FATAL_ERROR "CheckUnseenThreads: pass -DROOT=<source tree>")
endif()
get_filename_component(ROOT "${ROOT}" ABSOLUTE)

set(call_regex "(QThread::create|std::async)[ \t]*[(<]")
set(violations)
foreach(folder IN LISTS VELKORA_LAYERS VELKORA_TOP_FOLDERS)
  if(NOT IS_DIRECTORY "${ROOT}/${folder}")
    continue()
  endif()
  file(GLOB_RECURSE sources LIST_DIRECTORIES false RELATIVE "${ROOT}"
    "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.hpp" "${ROOT}/${folder}/*.cc" "${ROOT}/${folder}/*.cpp")
  # The checker's own fixture holds the calls on purpose.
  list(FILTER sources EXCLUDE REGEX "^tests/layering/threadfixture/")
  foreach(source IN LISTS sources)
    file(STRINGS "${ROOT}/${source}" matched REGEX "${call_regex}")
    if(NOT matched)
      continue()
    endif()
    # One list entry a line: the lines' own semicolons and brackets would split them.
    file(READ "${ROOT}/${source}" text)
    string(REPLACE ";" "," text "${text}")
    string(REGEX REPLACE "[][]" "" text "${text}")
    string(REPLACE "\n" ";" lines "${text}")
    list(FILTER lines INCLUDE REGEX "${call_regex}")
    foreach(line IN LISTS lines)
      if(line MATCHES "^[ \t]*//")
        continue()
      endif()
      string(STRIP "${line}" line)
      list(APPEND violations "${source}: ${line}")
    endforeach()
  endforeach()
endforeach()

list(LENGTH violations count)
if(count GREATER 0)
  list(JOIN violations "\n  " listed)
  message(FATAL_ERROR "${count} thread(s) started where ThreadSanitizer cannot see them; "
                      "use a QThread subclass or std::thread:\n  ${listed}")
endif()
message(STATUS "no thread started through QThread::create or std::async")
