# Test support shared by the test programs and benchmarks, all in
# tests/support. Object libraries, so that the process folder and the
# stand-ins are always part of the program whatever the link order; objects
# are not passed on through a link, so each library hands on those of the
# libraries it builds on. The program's globals themselves come from
# kv_app_core, as in the program.
set(kv_support ${PROJECT_SOURCE_DIR}/tests/support)

# A folder of its own per test process, entered before the globals are
# constructed, and file helpers.
add_library(kv_test_program OBJECT ${kv_support}/program_folder.cpp ${kv_support}/files.cpp)
target_link_libraries(kv_test_program PUBLIC kv_app_core)

if(KALVENTRIX_BOARD STREQUAL "sim")
  # The display and keypad drivers on a fresh virtual board per test.
  add_library(kv_test_drivers OBJECT ${kv_support}/drivers_support.cpp)
  target_link_libraries(kv_test_drivers PUBLIC kv_test_program kv_sim GTest::gtest)
  target_sources(kv_test_drivers INTERFACE $<TARGET_OBJECTS:kv_test_program>)
endif()

# A platform seam of its own for the server link's tests: shell commands
# recorded, paths under a folder of the test.
add_library(kv_test_net_fakes OBJECT ${kv_support}/net_platform_fake.cpp
                                     ${kv_support}/plain_lock.cpp)
