# Score entry responsiveness in virtual time (in process, with the program's
# globals on one virtual board and a scripted server link, bench/support),
# and the wall time of a whole 20-figure flight run by kalventrix-sim.
if(KALVENTRIX_BOARD STREQUAL "sim" AND TARGET kv_test_program)
  find_package(GTest REQUIRED)
  add_library(kv_bench_screens OBJECT ${CMAKE_CURRENT_SOURCE_DIR}/support/board_fixture.cpp
                                      ${CMAKE_CURRENT_SOURCE_DIR}/support/offline_link.cpp
                                      ${CMAKE_CURRENT_SOURCE_DIR}/support/screens_support.cpp)
  target_link_libraries(kv_bench_screens PUBLIC kv_test_program kv_screens kv_sim GTest::gtest
                                                SQLite::SQLite3)
  target_sources(kv_bench_screens INTERFACE $<TARGET_OBJECTS:kv_test_program>)
  kv_add_bench(judging_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/judging_bench.cpp
    LIBS kv_bench_screens)
endif()
if(TARGET kalventrix AND TARGET kalventrix-sim)
  kv_add_bench(judging_flight_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/judging_flight_bench.cpp
               LIBS SQLite::SQLite3)
  target_compile_definitions(judging_flight_bench PRIVATE
    KV_SIM_EXE="$<TARGET_FILE:kalventrix-sim>"
    KV_PROGRAM="$<TARGET_FILE:kalventrix>"
    KV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_dependencies(judging_flight_bench kalventrix kalventrix-sim)
endif()
