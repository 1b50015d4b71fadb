# cmake -DCHECKER=<CheckUnseenThreads.cmake> -DFIXTURE=<tree> -P ExpectThreadViolations.cmake
# The unseen-thread check must fail on the fixture and name exactly its two calls.
execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${FIXTURE} -P ${CHECKER}
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(all "${out}${err}")
if(result EQUAL 0)
  message(FATAL_ERROR "the unseen-thread check passed a tree that uses QThread::create and std::async:\n${all}")
endif()
foreach(line "ota/Worker.cpp: QThread *worker = QThread::create(" "ota/Worker.cpp: auto done = std::async(")
  string(FIND "${all}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the unseen-thread check did not name: ${line}\n${all}")
  endif()
endforeach()
if(NOT all MATCHES "2 thread\\(s\\)")
  message(FATAL_ERROR "the unseen-thread check counted wrongly:\n${all}")
endif()
