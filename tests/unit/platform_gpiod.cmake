# The Raspberry Pi's platform backend against the stand-in libgpiod.
if(TARGET kv_platform_gpiod AND TARGET kv_gpiod_standin)
  kv_add_test(kv_platform_gpiod_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/platform_gpiod_test.cpp
              LIBS kv_platform_gpiod kv_gpiod_standin LABELS unit)
endif()
