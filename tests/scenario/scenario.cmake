# Scenario tests: each tests/scenario/*.script runs under kalventrix-sim on a
# fresh sandbox and its transcript must equal the .expected file beside it.
# A script may begin with "# options: ..." lines (extra runner options) and a
# "# program: fixture" line (run the runner's fixture program instead of the
# terminal's), "# server: demo" (the reference server on loopback, see
# harness/run_scenario.sh).
if(TARGET kv_platform)
  add_executable(runner_fixture_program ${PROJECT_SOURCE_DIR}/tests/support/fixtures/fixture_program.cpp)
  target_link_libraries(runner_fixture_program PRIVATE kv_platform Threads::Threads)
endif()

if(TARGET kalventrix-sim AND TARGET runner_fixture_program
   AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/runner_end_to_end_test.cpp)
  kv_add_test(runner_end_to_end_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/runner_end_to_end_test.cpp
    LIBS kv_runner
    LABELS scenario)
  target_compile_definitions(runner_end_to_end_tests PRIVATE
    KV_SIM_EXE="$<TARGET_FILE:kalventrix-sim>"
    KV_FIXTURE_PROGRAM="$<TARGET_FILE:runner_fixture_program>")
  add_dependencies(runner_end_to_end_tests kalventrix-sim runner_fixture_program)
endif()

# Scripts headed "# board: pi" run the Raspberry Pi program (kalventrix-pi,
# libgpiod) through the stand-in libgpiod in a bubblewrap namespace, in real
# time: label pi-board. Not under an emulator, where real time runs too slow.
find_program(KV_BWRAP bwrap)
set(kv_pi_board OFF)
if(TARGET kalventrix-pi AND TARGET gpiod_standin AND KV_BWRAP AND NOT CMAKE_CROSSCOMPILING)
  set(kv_pi_board ON)
elseif(TARGET kalventrix-pi AND NOT CMAKE_CROSSCOMPILING)
  message(STATUS "bubblewrap not found: no Raspberry Pi program runs on the virtual board")
endif()

if(kv_pi_board)
  kv_add_test(pi_namespace_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/pi_namespace_test.cpp
              LIBS kv_sim LABELS pi-board)
  target_compile_definitions(pi_namespace_tests PRIVATE
    KV_BWRAP="${KV_BWRAP}"
    KV_STANDIN_DIR="$<TARGET_FILE_DIR:gpiod_standin>"
    KV_NAMESPACE_PROBE="${PROJECT_SOURCE_DIR}/tests/support/fixtures/namespace_probe.sh")
  add_dependencies(pi_namespace_tests gpiod_standin)
endif()

if(TARGET kalventrix-sim)
  set(kv_scenario_server none)
  if(TARGET kalventrix-server)
    set(kv_scenario_server $<TARGET_FILE:kalventrix-server>)
  endif()
  file(GLOB kv_scenario_scripts CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.script)
  foreach(script ${kv_scenario_scripts})
    get_filename_component(name ${script} NAME_WE)
    file(STRINGS ${script} kv_program_line REGEX "^# program: fixture")
    file(STRINGS ${script} kv_board_line REGEX "^# board: pi")
    set(labels scenario)
    if(kv_board_line)
      if(NOT kv_pi_board)
        continue()
      endif()
      set(program $<TARGET_FILE:kalventrix-pi>)
      set(labels pi-board)
    elseif(kv_program_line)
      if(NOT TARGET runner_fixture_program)
        continue()
      endif()
      set(program $<TARGET_FILE:runner_fixture_program>)
    elseif(TARGET kalventrix)
      set(program $<TARGET_FILE:kalventrix>)
    else()
      continue()
    endif()
    add_test(NAME scenario_${name}
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/harness/run_scenario.sh
                     $<TARGET_FILE:kalventrix-sim> ${program} ${script}
                     ${CMAKE_CURRENT_BINARY_DIR}/scenario/${name}
                     ${kv_scenario_server}
                     ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/scenario)
    set_tests_properties(scenario_${name} PROPERTIES LABELS "${labels}" TIMEOUT 300
                         SKIP_RETURN_CODE 77)
  endforeach()
endif()
