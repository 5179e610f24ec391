# The thermal printer driver on the virtual board: bytes decoded by its
# printer model, pacing on its clock.
if(TARGET kv_test_drivers)
  kv_add_test(printer_driver_test
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/device/printer_driver_test.cpp
    LIBS kv_test_drivers
    LABELS device)
endif()

# Reports on the virtual board's printer.
if(KALVENTRIX_BOARD STREQUAL "sim")
  kv_add_test(printer_report_test
    SOURCES ${kv_support}/printer_report_support.cpp ${kv_support}/db_support.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/device/printer_ticket_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/device/printer_reports_test.cpp
    LIBS kv_test_program kv_printer_reports kv_sim SQLite::SQLite3
    LABELS device)
endif()
