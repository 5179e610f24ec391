# The local database: import, sheet store and lookups, with the program's
# globals in a folder of the run's own.
if(TARGET kv_test_program)
  kv_add_bench(db_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/db_bench.cpp
               LIBS kv_test_program kv_db_sheets SQLite::SQLite3)
endif()
