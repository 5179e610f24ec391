# The judging screens (main screen, score entry, end of flight, volume dialog)
# on the virtual board, with a scripted server link in place of the network.
if(TARGET kv_test_screens)
  kv_add_test(screens_test
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/unit/screens_note_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/unit/screens_main_test.cpp
    LIBS kv_test_screens
    LABELS unit)
endif()
