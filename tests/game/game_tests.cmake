# Whole games played headless: fake clock, scripted keys, screens read back as text.
mw_add_test(game_play_test ${CMAKE_CURRENT_LIST_DIR}/play_test.cpp LIBS mw_game mw_headless_runtime)
# The script's pieces without its threads.
mw_add_test(game_pieces_test ${CMAKE_CURRENT_LIST_DIR}/game_pieces_test.cpp LIBS mw_game mw_frame)
