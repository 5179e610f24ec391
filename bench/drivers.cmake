# Display drawing costs in virtual time and bus transactions.
if(KALVENTRIX_BOARD STREQUAL "sim")
  kv_add_bench(drivers_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/drivers_bench.cpp
               LIBS kv_drivers kv_platform kv_sim)
endif()
