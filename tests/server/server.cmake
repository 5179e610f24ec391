# The reference competition server, run as a process.
if(TARGET kalventrix-server AND TARGET PkgConfig::HTTPLIB)
  kv_add_test(server_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/server_test.cpp
              ${CMAKE_CURRENT_LIST_DIR}/server_process.cpp
              LIBS PkgConfig::HTTPLIB LABELS server)
  target_compile_definitions(server_test PRIVATE KV_SERVER_BIN="$<TARGET_FILE:kalventrix-server>")
  add_dependencies(server_test kalventrix-server)
endif()
