# Threads of the virtual board when a test replaces the board under them.
if(TARGET kv_platform AND KALVENTRIX_BOARD STREQUAL "sim")
  kv_add_test(board_threads_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/board_threads_test.cpp
    LIBS kv_platform
    LABELS unit)
endif()
