# The front panel of kalventrix-sim: the session over a scripted board, the
# state for the page, the sound commands.
if(TARGET kv_panel_core)
  kv_add_test(panel_unit_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/panel_test.cpp
              LIBS kv_panel_core LABELS unit)
endif()

# The sound pack generator, with a stand-in for the speech synthesizer and the
# score names of this build's scoring kinds.
add_test(NAME sound_pack_generator
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/sound_pack_test.sh
                 ${PROJECT_SOURCE_DIR}/tools/make-sound-pack.sh)
set_tests_properties(sound_pack_generator PROPERTIES LABELS unit TIMEOUT 120
                     ENVIRONMENT SOUND_NAMES=$<TARGET_FILE:kalventrix-sound-names>)
