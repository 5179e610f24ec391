# Support code shared by the test executables. Object libraries, so that the
# globals and fakes are always part of the program whatever the link order;
# objects are not passed on through a link, so each library hands on those
# of the libraries it builds on.

# Settings, context, store and text table of the program. A test program
# defines `kTestProgram` (tests/support/program_globals.h).
if(TARGET kv_db AND TARGET kv_model)
  add_library(kv_test_globals OBJECT ${CMAKE_CURRENT_LIST_DIR}/program_globals.cpp)
  target_link_libraries(kv_test_globals PUBLIC kv_db kv_model SQLite::SQLite3)
endif()

# The program's keypad, encoder, display and printer.
if(TARGET kv_test_globals AND TARGET kv_drivers AND TARGET kv_printer AND TARGET kv_platform)
  add_library(kv_test_devices OBJECT ${CMAKE_CURRENT_LIST_DIR}/program_devices.cpp)
  target_link_libraries(kv_test_devices PUBLIC kv_test_globals kv_drivers kv_printer kv_platform)
  target_sources(kv_test_devices INTERFACE $<TARGET_OBJECTS:kv_test_globals>)
endif()

# Screens on one virtual board: keys, glass, paper, shell, store, stub tools,
# and the server link where it finds no network.
if(TARGET kv_test_devices AND TARGET kv_sim)
  add_library(kv_test_board OBJECT ${CMAKE_CURRENT_LIST_DIR}/board_fixture.cpp
                                   ${CMAKE_CURRENT_LIST_DIR}/offline_link.cpp)
  target_link_libraries(kv_test_board PUBLIC kv_test_devices kv_sim GTest::gtest)
  target_sources(kv_test_board INTERFACE $<TARGET_OBJECTS:kv_test_devices>
                                         $<TARGET_OBJECTS:kv_test_globals>)
endif()
