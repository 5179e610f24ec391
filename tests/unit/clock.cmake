# Virtual clock, the board's platform backend and the runner link.
kv_add_test(kv_clock_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/clock_test.cpp LIBS kv_sim LABELS unit)
kv_add_test(kv_platform_sim_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/platform_sim_test.cpp
            LIBS kv_platform LABELS unit)
