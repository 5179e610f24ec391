# The service's start-up step that takes a program file downloaded by the
# terminal into use (a plain shell test: it runs on the build machine).
add_test(NAME image_take_update
         COMMAND sh ${PROJECT_SOURCE_DIR}/tests/install/take_update_test.sh
                 ${PROJECT_SOURCE_DIR}/image/take-update.sh)
set_tests_properties(image_take_update PROPERTIES LABELS unit TIMEOUT 60)
