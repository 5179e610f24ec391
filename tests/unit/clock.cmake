# Virtual clock, the board's platform backend and the runner link (over the
# runner's fixture program, built with the runner's scenarios).
kv_add_test(kv_platform_sim_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/platform_sim_test.cpp
            LIBS kv_platform LABELS unit)
kv_add_test(kv_clock_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/clock_test.cpp LIBS kv_sim LABELS unit)
add_dependencies(kv_clock_test runner_fixture_program)
target_compile_definitions(kv_clock_test PRIVATE
                           KV_FIXTURE_PROGRAM="$<TARGET_FILE:runner_fixture_program>")
