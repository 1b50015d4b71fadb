# Warnings and sanitizers shared by every target of the project.
add_library(velkora_compile_options INTERFACE)
target_compile_options(velkora_compile_options INTERFACE -Wall -Wextra)

if(VELKORA_SANITIZER STREQUAL "asan")
  set(_san -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
elseif(VELKORA_SANITIZER STREQUAL "tsan")
  set(_san -fsanitize=thread -fno-omit-frame-pointer)
  # Qt comes uninstrumented from the distribution: leave the accesses made
  # inside it alone; the Qt tests mark the hand-offs its unseen locks order
  # (tests/tsan/QtTsanAnnotations.cpp), and cmake/tsan-qt.supp is for what
  # the marks cannot reach (nothing today). The first report stops the
  # program with exit code 66, so a test with a race fails. QProcess starts a
  # program through clone(CLONE_VM), which this runtime takes for a fork of
  # the whole multi-threaded program; without die_after_fork=0 it would then
  # kill the test at its next new thread.
  set(VELKORA_TSAN_OPTIONS
    "ignore_noninstrumented_modules=1 suppressions='${PROJECT_SOURCE_DIR}/cmake/tsan-qt.supp' halt_on_error=1 exitcode=66 second_deadlock_stack=1 die_after_fork=0")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/TsanDefaults.c.in ${CMAKE_BINARY_DIR}/tsan/TsanDefaults.c @ONLY)
  add_library(velkora_tsan_defaults OBJECT ${CMAKE_BINARY_DIR}/tsan/TsanDefaults.c)
  # Built into every program, so that a test run by hand or added without the
  # test helpers runs with the same settings as under CTest.
  target_sources(velkora_compile_options INTERFACE
    $<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:$<TARGET_OBJECTS:velkora_tsan_defaults>>)
elseif(NOT VELKORA_SANITIZER STREQUAL "")
  message(FATAL_ERROR "VELKORA_SANITIZER must be empty, asan or tsan")
endif()
if(_san)
  # Applied globally so that test doubles and libraries agree on the runtime.
  add_compile_options(${_san})
  add_link_options(${_san})
endif()

# velkora_library(<target> [SHARED] SOURCES ... [LIBS ...])
# One library per subsystem folder; include paths are the repository root so
# headers are included as "protocol/FrameCodec.h".
function(velkora_library target)
  cmake_parse_arguments(ARG "SHARED" "" "SOURCES;LIBS" ${ARGN})
  if(ARG_SHARED)
    add_library(${target} SHARED ${ARG_SOURCES})
  else()
    add_library(${target} STATIC ${ARG_SOURCES})
  endif()
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_LIBS} PRIVATE velkora_compile_options)
endfunction()

# Translation sources (.ts) of a subsystem; resources/ turns them into the two
# catalogues of the program.
function(velkora_add_translations)
  foreach(ts IN LISTS ARGN)
    get_filename_component(abs ${ts} ABSOLUTE)
    set_property(GLOBAL APPEND PROPERTY VELKORA_TS_FILES ${abs})
  endforeach()
endfunction()
