# Local database, score record, settings loader, text table and text helpers.
set(kv_db_test_support
  ${CMAKE_CURRENT_LIST_DIR}/db_support.cpp
  ${CMAKE_CURRENT_LIST_DIR}/db_globals.cpp)
set(kv_db_test_libs kv_db kv_model kv_app_text SQLite::SQLite3)
if(TARGET kv_platform)
  list(APPEND kv_db_test_libs kv_platform)
else()
  list(APPEND kv_db_test_support ${CMAKE_CURRENT_LIST_DIR}/db_platform_standin.cpp)
endif()
# The text table and settings loader are compiled in directly: their library
# also pulls in what the rest of the program needs.
list(APPEND kv_db_test_support ${PROJECT_SOURCE_DIR}/app/fn_utils.cpp)

kv_add_test(db_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/db_params_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/db_catalog_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/db_notes_test.cpp
          ${kv_db_test_support}
  LIBS ${kv_db_test_libs}
  LABELS unit)
