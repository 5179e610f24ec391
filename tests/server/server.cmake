# The reference competition server, run as a process.
if(TARGET kalventrix-server AND TARGET PkgConfig::HTTPLIB)
  kv_add_test(server_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/server_test.cpp
              ${kv_support}/server_process.cpp
              LIBS kv_server PkgConfig::HTTPLIB LABELS server)
  target_compile_definitions(server_test PRIVATE KV_SERVER_BIN="$<TARGET_FILE:kalventrix-server>")
  add_dependencies(server_test kalventrix-server)
endif()

# The terminal's server link against the reference server and the demo contest.
if(TARGET kalventrix-server AND TARGET PkgConfig::HTTPLIB)
  kv_add_test(net_server_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/net_server_test.cpp
              ${kv_support}/server_process.cpp
              LIBS kv_test_net_fakes kv_test_program kv_net SQLite::SQLite3 PkgConfig::HTTPLIB
              LABELS server)
  target_compile_definitions(net_server_test PRIVATE KV_SERVER_BIN="$<TARGET_FILE:kalventrix-server>")
  add_dependencies(net_server_test kalventrix-server)
endif()
