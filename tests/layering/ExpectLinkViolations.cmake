# cmake -DFIXTURE=<linkfixture> -DWORK=<dir> -DCMAKE_DIR=<cmake/> -DGENERATOR=<g> -P ExpectLinkViolations.cmake
# Configuring the fixture must fail on its upward link and on Qt Widgets
# reached from a widgetless layer, and name nothing else.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -S ${FIXTURE} -B ${WORK} -G ${GENERATOR} -DVELKORA_CMAKE_DIR=${CMAKE_DIR}
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(all "${out}${err}")
if(result EQUAL 0)
  message(FATAL_ERROR "the link check passed a project with an upward link:\n${all}")
endif()
foreach(line
    "fixture_cloud (cloud/) links fixture_account (account/)"
    "fixture_platform (platform/) reaches Qt6::Widgets"
    "fixture_hid (hid/) reaches Qt6::Widgets"
    "fixture_cloud (cloud/) reaches Qt6::Widgets")
  string(FIND "${all}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the link check did not name: ${line}\n${all}")
  endif()
endforeach()
# account/ is above hid/ and may use widgets.
string(FIND "${all}" "fixture_account (account/) " at)
if(NOT at EQUAL -1)
  message(FATAL_ERROR "the link check blamed an allowed link:\n${all}")
endif()
file(REMOVE_RECURSE ${WORK})
