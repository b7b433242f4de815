# The window shows the composed frames pixel for pixel (Xvfb).
add_executable(display_probe ${CMAKE_CURRENT_LIST_DIR}/display_probe.cpp)
target_link_libraries(display_probe PRIVATE mw_frame)
if(TARGET send_close)
add_test(NAME e2e_display_frames COMMAND timeout 90 bash ${CMAKE_CURRENT_LIST_DIR}/display_frames_test.sh)
set_tests_properties(e2e_display_frames PROPERTIES LABELS e2e TIMEOUT 120
                     ENVIRONMENT "DISPLAY_PROBE=$<TARGET_FILE:display_probe>;SEND_CLOSE=$<TARGET_FILE:send_close>")
endif()
