# Device models of the virtual board, driven pin by pin.
if(TARGET kv_sim_devices)
  kv_add_test(sim_devices_test
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/device/sim_display_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/device/sim_keypad_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/device/sim_printer_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/device/sim_trace_test.cpp
    LIBS kv_sim_devices
    LABELS device)
endif()

# The terminal's own display driver talking to the display model.
if(TARGET kv_sim_devices AND EXISTS ${PROJECT_SOURCE_DIR}/drivers/soft_lcd.cpp)
  kv_add_test(sim_lcd_driver_test
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/device/sim_lcd_driver_test.cpp
            ${PROJECT_SOURCE_DIR}/drivers/soft_i2c.cpp
            ${PROJECT_SOURCE_DIR}/drivers/soft_lcd.cpp
            ${PROJECT_SOURCE_DIR}/drivers/reentrant_lock.cpp
            ${kv_support}/plain_lock.cpp
    LIBS kv_sim_devices
    LABELS device)
endif()

# The terminal's own printer driver talking to the printer model.
if(TARGET kv_sim_devices)
  kv_add_test(printer_on_model_test
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/device/printer_on_model_test.cpp
            ${kv_support}/printer_port_fake.cpp
            ${PROJECT_SOURCE_DIR}/printer/Pi_Thermal.cpp
    LIBS kv_sim_devices
    LABELS device)
endif()
