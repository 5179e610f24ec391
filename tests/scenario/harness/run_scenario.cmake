# Runs one scenario script on a fresh sandbox and compares the transcript.
#   cmake -DSIM=... -DPROGRAM=... -DSCRIPT=x.script -DWORK=dir -P run_scenario.cmake
# Lines "# options: ..." at the top of the script add runner options; a line
# "# status: N" gives the expected exit status (0 when absent).
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

set(options "")
set(expected_status 0)
file(STRINGS ${SCRIPT} header REGEX "^# (options|status): ")
foreach(line ${header})
  if(line MATCHES "^# options: (.*)$")
    separate_arguments(more UNIX_COMMAND "${CMAKE_MATCH_1}")
    list(APPEND options ${more})
  elseif(line MATCHES "^# status: ([0-9]+)")
    set(expected_status ${CMAKE_MATCH_1})
  endif()
endforeach()

execute_process(
  COMMAND ${SIM} --root ${WORK}/root --program ${PROGRAM} ${options} --script ${SCRIPT}
  OUTPUT_VARIABLE transcript
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
file(WRITE ${WORK}/transcript.actual "${transcript}")

string(REGEX REPLACE "\\.script$" ".expected" expected_file ${SCRIPT})
if(NOT EXISTS ${expected_file})
  message(FATAL_ERROR "no ${expected_file}; this run gave ${WORK}/transcript.actual:\n${transcript}")
endif()
file(READ ${expected_file} expected)
if(NOT transcript STREQUAL expected)
  execute_process(COMMAND diff -u ${expected_file} ${WORK}/transcript.actual)
  message(FATAL_ERROR "transcript differs from ${expected_file}\n${errors}")
endif()
if(NOT status STREQUAL expected_status)
  message(FATAL_ERROR "exit status ${status}, expected ${expected_status}\n${errors}")
endif()
