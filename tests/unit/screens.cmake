# The screens' flows are scenarios (tests/scenario); only the quoting of the
# paths the screens hand to the shell is a rule of its own.
kv_add_test(screens_shell_test
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/unit/screens_shell_test.cpp
  LIBS kv_app_text
  LABELS unit)
