# Device models of the virtual board.
kv_add_bench(sim_devices_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/sim_devices_bench.cpp
             LIBS kv_sim_devices)
