# The virtual clock: how fast virtual time goes by.
if(TARGET kv_sim)
  kv_add_bench(clock_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/clock_bench.cpp LIBS kv_sim)
endif()
