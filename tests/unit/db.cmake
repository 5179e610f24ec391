# Local database, settings loader, text table and text helpers, on the
# program's globals.
set(kv_db_test_libs kv_test_program kv_db_sheets SQLite::SQLite3)
kv_add_test(db_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/db_params_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/db_catalog_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/db_notes_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/db_data_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/db_sound_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/settings_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/text_test.cpp
          ${kv_support}/db_support.cpp
  LIBS ${kv_db_test_libs}
  LABELS unit)
# On the virtual board a test moves the root of the terminal's paths by
# starting a fresh board.
if(KALVENTRIX_BOARD STREQUAL "sim")
  target_compile_definitions(db_test PRIVATE DB_TEST_SIM_BOARD)
  target_link_libraries(db_test PRIVATE kv_sim)
endif()

# Sheets stored by a process that is killed at random points.
kv_add_test(db_crash_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/db_crash_test.cpp ${kv_support}/db_support.cpp
  LIBS ${kv_db_test_libs}
  LABELS unit)

# The score record.
kv_add_test(model_note_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/model_note_test.cpp
            LIBS kv_model LABELS unit)

# The shipped settings scripts are the ones the settings declaration writes.
if(TARGET kv_settings_sql)
  add_test(NAME shipped_settings_scripts COMMAND kv_settings_sql --check ${PROJECT_SOURCE_DIR}/data)
  set_tests_properties(shipped_settings_scripts PROPERTIES LABELS unit TIMEOUT 60)
endif()
