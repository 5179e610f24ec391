# The service screens (settings, downloads, hardware tests, shortcuts) on the
# virtual board, with a scripted resend link in place of the network.
if(TARGET kv_test_board)
  kv_add_test(service_test
    SOURCES ${kv_support}/service_support.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/unit/service_values_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/unit/service_screens_test.cpp
    LIBS kv_test_board SQLite::SQLite3
    LABELS unit)
endif()
