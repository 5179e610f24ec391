# The judging screens (main screen, score entry, end of flight, volume dialog)
# on the virtual board, with a scripted server link in place of the network.
set(kv_screens_test_libs kv_test_board kv_screens kv_app_sound kv_app_screen kv_app_system kv_printer
    kv_db kv_model kv_drivers kv_platform)
set(kv_screens_test_ready ON)
foreach(lib ${kv_screens_test_libs})
  if(NOT TARGET ${lib})
    set(kv_screens_test_ready OFF)
  endif()
endforeach()
if(kv_screens_test_ready AND KALVENTRIX_BOARD STREQUAL "sim")
  kv_add_test(screens_test
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/unit/screens_support.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/unit/screens_note_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/unit/screens_main_test.cpp
    LIBS ${kv_screens_test_libs} SQLite::SQLite3
    LABELS unit)
endif()
