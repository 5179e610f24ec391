# Score entry responsiveness in virtual time (in process, with the judging
# screen tests' globals and scripted server link), and the wall time of a
# whole 20-figure flight run by kalventrix-sim.
find_package(GTest QUIET)
set(kv_judging_bench_libs kv_test_board kv_screens kv_app_sound kv_app_screen kv_app_system
    kv_printer kv_db kv_model kv_drivers kv_platform kv_sim)
set(kv_judging_bench_ready ON)
foreach(lib ${kv_judging_bench_libs})
  if(NOT TARGET ${lib})
    set(kv_judging_bench_ready OFF)
  endif()
endforeach()
if(kv_judging_bench_ready AND GTest_FOUND AND KALVENTRIX_BOARD STREQUAL "sim"
   AND EXISTS ${PROJECT_SOURCE_DIR}/tests/unit/screens_support.cpp)
  kv_add_bench(judging_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/judging_bench.cpp
            ${PROJECT_SOURCE_DIR}/tests/unit/screens_support.cpp
    LIBS ${kv_judging_bench_libs} SQLite::SQLite3 GTest::gtest)
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
