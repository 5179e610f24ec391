# Display and keypad drivers, run against the virtual
# board's display and keypad models.
if(TARGET kv_test_drivers)
  kv_add_test(drivers_device_test
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/device/drivers_i2c_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/device/lcd_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/device/keys_test.cpp
    LIBS kv_test_drivers
    LABELS device)
endif()
