# The keyboard model under real key presses (Xvfb + xdotool), through a probe program.
add_executable(keyboard_probe ${CMAKE_CURRENT_LIST_DIR}/keyboard_probe.cpp)
target_link_libraries(keyboard_probe PRIVATE mw_frame)

add_test(NAME e2e_keyboard COMMAND timeout 90 bash ${CMAKE_CURRENT_LIST_DIR}/keyboard_e2e_test.sh)
set_tests_properties(e2e_keyboard PROPERTIES LABELS e2e TIMEOUT 120
                     ENVIRONMENT "KEYBOARD_PROBE=$<TARGET_FILE:keyboard_probe>")
