# cmake -DPROGRAM=<test program> -DFUNCTION=<test function> -DRACY=<frame> -P ExpectTsanReport.cmake
# Runs one test function that races on purpose. Passes only when
# ThreadSanitizer reported a data race with RACY on a stack and stopped the
# program with its exit code: a set-up that hides the race, or only logs it
# and lets the test go on, fails here.
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${PROGRAM} ${FUNCTION}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)

set(problems)
if(NOT rc EQUAL 66)
  list(APPEND problems "exit code ${rc}, not TSan's 66")
endif()
if(NOT out MATCHES "WARNING: ThreadSanitizer: data race")
  list(APPEND problems "no data race report")
endif()
string(FIND "${out}" "${RACY}" at)
if(at EQUAL -1)
  list(APPEND problems "no stack names ${RACY}")
endif()

if(problems)
  list(JOIN problems "; " text)
  message(FATAL_ERROR "${FUNCTION}: ${text}\n--- output ---\n${out}")
endif()
message(STATUS "${FUNCTION}: ThreadSanitizer reported the race in ${RACY} and stopped the program")
