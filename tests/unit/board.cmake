# The board table against the README's wiring table.
kv_add_test(board_table_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/board_table_test.cpp
          ${PROJECT_SOURCE_DIR}/platform/common/wpi_numbering.cpp
          ${PROJECT_SOURCE_DIR}/tests/support/files.cpp
  LABELS unit)
