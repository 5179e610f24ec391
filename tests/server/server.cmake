# The reference competition server: its answers in process, and the process.
if(TARGET kalventrix-server AND TARGET PkgConfig::HTTPLIB)
  kv_add_test(server_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/server_test.cpp
              LIBS kv_server PkgConfig::HTTPLIB LABELS server)
  target_compile_definitions(server_test PRIVATE KV_SERVER_BIN="$<TARGET_FILE:kalventrix-server>")
  add_dependencies(server_test kalventrix-server)
endif()
