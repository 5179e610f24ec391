# The thermal printer: driver bytes and pacing on a recording port.
kv_add_test(printer_driver_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/device/printer_driver_test.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/device/printer_port_fake.cpp
          ${PROJECT_SOURCE_DIR}/printer/Pi_Thermal.cpp
  LABELS device)

# The receipt picture.
find_package(PNG REQUIRED)
kv_add_test(printer_png_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/device/printer_png_test.cpp
          ${PROJECT_SOURCE_DIR}/sim/devices/paper_png.cpp
  LIBS PNG::PNG
  LABELS device)
