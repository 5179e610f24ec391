# The thermal printer: driver bytes and pacing on a recording port.
kv_add_test(printer_driver_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/device/printer_driver_test.cpp
          ${kv_support}/printer_port_fake.cpp
          ${PROJECT_SOURCE_DIR}/printer/Pi_Thermal.cpp
  LABELS device)

# The receipt picture.
find_package(PNG REQUIRED)
kv_add_test(printer_png_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/device/printer_png_test.cpp
          ${PROJECT_SOURCE_DIR}/sim/devices/paper_png.cpp
  LIBS PNG::PNG
  LABELS device)

# Reports on the virtual board's printer.
if(KALVENTRIX_BOARD STREQUAL "sim")
  kv_add_test(printer_report_test
    SOURCES ${kv_support}/printer_report_support.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/device/printer_ticket_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/device/printer_reports_test.cpp
    LIBS kv_test_program kv_printer_reports kv_sim SQLite::SQLite3
    LABELS device)
endif()
