# Device models of the virtual board on their own: the receipt picture and
# the bus trace. The drivers' tests drive the other models.
if(TARGET kv_sim_devices)
  kv_add_test(sim_devices_test
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/device/printer_png_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/device/sim_trace_test.cpp
    LIBS kv_sim_devices
    LABELS device)
endif()
