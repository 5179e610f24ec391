# The script runner of the virtual board: parsing, options, sandbox, reads.
if(TARGET kv_runner)
  kv_add_test(runner_unit_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/runner_script_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/runner_sandbox_test.cpp
    LIBS kv_runner SQLite::SQLite3
    LABELS unit)
endif()
