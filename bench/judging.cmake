# Score entry responsiveness in virtual time (in process, with the judging
# screen tests' globals and scripted server link), and the wall time of a
# whole 20-figure flight run by kalventrix-sim.
if(TARGET kv_test_screens)
  kv_add_bench(judging_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/judging_bench.cpp
    LIBS kv_test_screens)
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
