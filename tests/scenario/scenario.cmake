# Scenario tests: each tests/scenario/*.script runs under kalventrix-sim on a
# fresh sandbox (harness/run_scenario.sh, whose header lists what a script
# may ask for: a reference server, faults, settings, files) and is judged by
# its expectations and exit status. "# program: fixture" runs the runner's
# fixture program instead of the terminal's, "# board: pi" the Raspberry Pi
# program.
#
# What covers what:
#   runner_fixture          the script language's checks, holding and failing
#   judging_offline_flight  link-off warning, typed pilot, every scoring kind,
#                           refused untouched 10, browsing, REPEAT, the
#                           confirmation, queue and ticket offline; run twice:
#                           the same transcript (determinism)
#   judging_server_flight   OPT=H, P, T (both), U live and whole sheet, ticket
#                           copies, chaining, browsing limits, abandon
#   judging_server_refusal  refusal dialog: retry, next pilot, force
#   judging_queue_resend    failed delivery queued, power cut while printing,
#                           pilot dialog, resend of 20 after the next success
#   judging_judge_999 / judging_pilot_999   never sent / scored again; the
#                           pilot dialog's back, erase and reprint
#   judging_schedule_missing, judging_ticket_question, judging_keys (POWER
#                           prompt, volume dialog, relaunch and reboot chords,
#                           power-off), judging_startup_* (VALID held and every
#                           field's limits, display at 0x3F),
#                           judging_server_address_zeros, startup_database_*
#   service_settings, service_test_screen, service_shortcuts (every entry,
#                           REPEAT-held volume, pages of resends),
#                           service_downloads* (every entry, without server,
#                           against it and with its faults)
#   sandbox_loopback_only   the board reaches loopback only; the report pings
#                           an odd address as one shell word
#   pi_*                    the Raspberry Pi program (label pi-board)
if(TARGET kv_platform)
  add_executable(runner_fixture_program ${PROJECT_SOURCE_DIR}/tests/support/fixtures/fixture_program.cpp)
  target_link_libraries(runner_fixture_program PRIVATE kv_platform Threads::Threads)
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
