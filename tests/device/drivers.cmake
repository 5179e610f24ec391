# Display and keypad drivers and the screen toolkit, run against the virtual
# board's display and keypad models.
if(TARGET kv_test_devices AND TARGET kv_app_screen AND TARGET kv_sim
   AND KALVENTRIX_BOARD STREQUAL "sim")
  kv_add_test(drivers_device_test
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/device/drivers_support.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/device/drivers_i2c_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/device/lcd_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/device/keys_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/device/toolkit_test.cpp
    LIBS kv_test_devices kv_drivers kv_app_screen kv_platform kv_sim
    LABELS device)
endif()
