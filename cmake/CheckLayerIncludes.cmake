# cmake -DROOT=<source tree> -P CheckLayerIncludes.cmake
# Fails, listing each one, when a source of a layer folder includes a header
# of a folder above it ("cloud/X.cpp" including "app/..."). The order of the
# folders is that of VelkoraLayers.cmake.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/VelkoraLayers.cmake)

if(NOT ROOT)
  message(FATAL_ERROR "CheckLayerIncludes: pass -DROOT=<source tree>")
endif()
get_filename_component(ROOT "${ROOT}" ABSOLUTE)

set(known ${VELKORA_LAYERS} ${VELKORA_TOP_FOLDERS})
list(JOIN known "|" known_alternatives)
set(include_regex "^[ \t]*#[ \t]*include[ \t]*[\"<](${known_alternatives})/[^\">]*[\">]")

set(violations)
set(scanned 0)
foreach(folder IN LISTS VELKORA_LAYERS)
  if(NOT IS_DIRECTORY "${ROOT}/${folder}")
    continue()
  endif()
  list(FIND VELKORA_LAYERS ${folder} own)
  file(GLOB_RECURSE sources LIST_DIRECTORIES false RELATIVE "${ROOT}"
    "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.hpp" "${ROOT}/${folder}/*.c"
    "${ROOT}/${folder}/*.cc" "${ROOT}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    math(EXPR scanned "${scanned} + 1")
    file(STRINGS "${ROOT}/${source}" lines REGEX "${include_regex}")
    foreach(line IN LISTS lines)
      string(REGEX MATCH "${include_regex}" directive "${line}")
      set(used ${CMAKE_MATCH_1})
      velkora_layer_rank(${used} rank)
      if(rank GREATER own)
        string(STRIP "${directive}" directive)
        list(APPEND violations "${source}: ${directive}  (${used}/ is above ${folder}/)")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(LENGTH violations count)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Layering: ${count} include(s) reach a folder above their own "
    "(order: ${VELKORA_LAYERS}; then ${VELKORA_TOP_FOLDERS}):\n  ${text}")
endif()
message(STATUS "Layering: ${scanned} sources, every include stays at or below its folder")
