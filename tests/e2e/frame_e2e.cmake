# Real-window tests of the frame under Xvfb, each bounded by `timeout`.
add_executable(frame_probe ${CMAKE_CURRENT_LIST_DIR}/frame_probe.cpp)
target_link_libraries(frame_probe PRIVATE mw_frame)

set(MW_FRAME_E2E_ENV
  "MARROWICK=$<TARGET_FILE:marrowick>"
  "FRAME_PROBE=$<TARGET_FILE:frame_probe>"
  "SEND_CLOSE=$<TARGET_FILE:send_close>"
  "HOST_PROBE=$<TARGET_FILE:host_probe>")

foreach(t frame_window frame_error_dialog frame_bad_input host_x11)
  add_test(NAME e2e_${t}
           COMMAND timeout 60 bash ${CMAKE_CURRENT_LIST_DIR}/${t}_test.sh)
  set_tests_properties(e2e_${t} PROPERTIES LABELS e2e TIMEOUT 90
                       ENVIRONMENT "${MW_FRAME_E2E_ENV}")
endforeach()
