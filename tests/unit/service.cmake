# The service screens' value rules; their flows are scenarios.
if(KALVENTRIX_BOARD STREQUAL "sim")
  kv_add_test(service_test
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/unit/service_values_test.cpp
    LIBS kv_test_program kv_screens kv_sim
    LABELS unit)
endif()
