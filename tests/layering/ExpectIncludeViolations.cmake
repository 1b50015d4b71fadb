# cmake -DCHECKER=<CheckLayerIncludes.cmake> -DFIXTURE=<tree> -P ExpectIncludeViolations.cmake
# The include check must fail on the fixture and name exactly its upward includes.
execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${FIXTURE} -P ${CHECKER}
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(all "${out}${err}")
if(result EQUAL 0)
  message(FATAL_ERROR "the include check passed a tree with upward includes:\n${all}")
endif()
set(expected
  "cloud/Session.cpp: #include \"account/LoginWindow.h\""
  "protocol/Codec.h: #include \"hid/HidTypes.h\""
  "widgets/Button.cpp: #include \"tests/support/Probe.h\""
  "eq/EqPage.cpp: #  include <eqcloud/Card.h>")
foreach(line IN LISTS expected)
  string(FIND "${all}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the include check did not name: ${line}\n${all}")
  endif()
endforeach()
foreach(allowed "platform/tokenprotect" "app/HeadphonesDevice" "eq/EqPage.h\"" "widgets/Button.h\"" "hidapi")
  string(FIND "${all}" "${allowed}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "the include check named an allowed include (${allowed}):\n${all}")
  endif()
endforeach()
if(NOT all MATCHES "4 include\\(s\\)")
  message(FATAL_ERROR "the include check counted wrongly:\n${all}")
endif()
