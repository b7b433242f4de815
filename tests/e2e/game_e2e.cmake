# The real game under Xvfb, played with xdotool; screenshots read back as text.
add_executable(screen_text ${CMAKE_CURRENT_LIST_DIR}/screen_text.cpp)
target_link_libraries(screen_text PRIVATE mw_screen_reader mw_screen)

if(TARGET send_close)
  foreach(t game_play_e2e)
    add_test(NAME e2e_${t} COMMAND timeout 150 bash ${CMAKE_CURRENT_LIST_DIR}/${t}_test.sh)
    set_tests_properties(e2e_${t} PROPERTIES LABELS e2e TIMEOUT 180
      ENVIRONMENT "MARROWICK=$<TARGET_FILE:marrowick>;SEND_CLOSE=$<TARGET_FILE:send_close>;SCREEN_TEXT=$<TARGET_FILE:screen_text>")
  endforeach()
endif()
