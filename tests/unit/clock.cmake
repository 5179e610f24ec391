# Virtual clock, the board's platform backend and the runner link.
kv_add_test(kv_clock_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/clock_test.cpp LIBS kv_sim LABELS unit)
kv_add_test(kv_platform_sim_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/platform_sim_test.cpp
            LIBS kv_platform LABELS unit)

add_executable(kv_link_fixture ${PROJECT_SOURCE_DIR}/tests/support/fixtures/link_fixture.cpp)
target_link_libraries(kv_link_fixture PRIVATE kv_platform)
kv_add_test(kv_link_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/link_test.cpp LIBS kv_sim LABELS unit)
add_dependencies(kv_link_test kv_link_fixture)
target_compile_definitions(kv_link_test PRIVATE KV_LINK_FIXTURE="$<TARGET_FILE:kv_link_fixture>")
