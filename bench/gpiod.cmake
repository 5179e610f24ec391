# Display drawing over the Raspberry Pi's backend (wiringPi on libgpiod) with
# the stand-in libgpiod's board behind it, in real time.
if(TARGET kv_platform_gpiod AND TARGET kv_gpiod_standin)
  kv_add_bench(gpiod_lcd_bench
               SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/gpiod_lcd_bench.cpp
                       ${PROJECT_SOURCE_DIR}/drivers/soft_i2c.cpp
                       ${PROJECT_SOURCE_DIR}/drivers/soft_lcd.cpp
                       ${PROJECT_SOURCE_DIR}/drivers/reentrant_lock.cpp
               LIBS kv_platform_gpiod kv_gpiod_standin)
endif()
