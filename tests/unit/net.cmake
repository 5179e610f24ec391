# Server link: reply readers, transport, protocol.
kv_add_test(net_reply_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/net_reply_test.cpp
            LIBS kv_net_reply LABELS unit)

# The transport and the protocol on a platform seam of their own, with the
# program's globals.
kv_add_test(net_protocol_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/net_protocol_test.cpp
            LIBS kv_test_net_fakes kv_test_program kv_net SQLite::SQLite3 LABELS unit)

# System chores on the virtual board, with the drivers' board support.
if(TARGET kv_test_drivers)
  kv_add_test(net_system_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/net_system_test.cpp
              LIBS kv_test_drivers kv_app_system
              LABELS device)
endif()

# Fuzzing of the reply readers (corpus replay always, libFuzzer run with clang).
if(EXISTS ${PROJECT_SOURCE_DIR}/fuzz/CMakeLists.txt)
  add_subdirectory(${PROJECT_SOURCE_DIR}/fuzz ${CMAKE_BINARY_DIR}/fuzz)
endif()
