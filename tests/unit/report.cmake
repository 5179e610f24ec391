# Fixed layouts of the printed reports.
kv_add_test(report_layout_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/unit/report_layout_test.cpp
          ${PROJECT_SOURCE_DIR}/printer/Pi_Thermal_layout.cpp
  LABELS unit)
