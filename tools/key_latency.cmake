# Key-to-screen latency of the game in a real window (tools/measure_game_latency.sh).
if(MW_BENCHMARKS)
  add_executable(key_latency ${CMAKE_CURRENT_LIST_DIR}/key_latency.cpp)
  target_link_libraries(key_latency PRIVATE X11::X11)
  add_test(NAME game_key_latency
           COMMAND timeout 300 bash ${CMAKE_CURRENT_LIST_DIR}/measure_game_latency.sh
                   $<TARGET_FILE:marrowick> $<TARGET_FILE:key_latency> 100)
  set_tests_properties(game_key_latency PROPERTIES LABELS benchmark TIMEOUT 330)
endif()
