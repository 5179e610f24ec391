# The thermal printer driver on the virtual board: bytes decoded by its
# printer model, pacing on its clock.
if(TARGET kv_test_drivers)
  kv_add_test(printer_driver_test
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/device/printer_driver_test.cpp
    LIBS kv_test_drivers
    LABELS device)
endif()

