# Server link: reply readers, transport, protocol.
kv_add_test(net_reply_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/net_reply_test.cpp
            LIBS kv_net_reply LABELS unit)

set(kv_net_test_support ${CMAKE_CURRENT_LIST_DIR}/net_script_server.cpp
    ${CMAKE_CURRENT_LIST_DIR}/net_platform_fake.cpp)
kv_add_test(net_transport_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/net_transport_test.cpp
            ${kv_net_test_support} LIBS kv_net_transport LABELS unit)

if(TARGET kv_test_globals)
  kv_add_test(net_protocol_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/net_protocol_test.cpp
              ${kv_net_test_support} LIBS kv_test_globals kv_net kv_db kv_model SQLite::SQLite3
              LABELS unit)
endif()

# System chores on the virtual board, with the drivers' board support.
if(TARGET kv_app_system AND TARGET kv_test_devices AND TARGET kv_sim)
  kv_add_test(net_system_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/net_system_test.cpp
              ${CMAKE_CURRENT_LIST_DIR}/../device/drivers_support.cpp
              LIBS kv_test_devices kv_app_system kv_app_screen kv_drivers kv_platform kv_sim
              LABELS device)
endif()

# Fuzzing of the reply readers (corpus replay always, libFuzzer run with clang).
if(EXISTS ${PROJECT_SOURCE_DIR}/fuzz/CMakeLists.txt)
  add_subdirectory(${PROJECT_SOURCE_DIR}/fuzz ${CMAKE_BINARY_DIR}/fuzz)
endif()
