# The service screens (settings, downloads, hardware tests, shortcuts) on the
# virtual board, with a scripted resend link in place of the network.
set(kv_service_test_libs kv_test_board kv_screens kv_app_settings kv_app_sound kv_app_system
    kv_app_screen kv_app_text kv_printer kv_db kv_model kv_drivers kv_platform)
set(kv_service_test_ready ON)
foreach(lib ${kv_service_test_libs})
  if(NOT TARGET ${lib})
    set(kv_service_test_ready OFF)
  endif()
endforeach()
if(kv_service_test_ready AND KALVENTRIX_BOARD STREQUAL "sim")
  kv_add_test(service_test
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/unit/service_support.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/unit/service_values_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/unit/service_screens_test.cpp
    LIBS ${kv_service_test_libs} ${kv_service_test_libs} SQLite::SQLite3
    LABELS unit)
endif()
