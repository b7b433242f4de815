mw_add_test(screen_state_test ${CMAKE_CURRENT_LIST_DIR}/screen_state_test.cpp LIBS mw_screen)
mw_add_test(fonts_palette_test ${CMAKE_CURRENT_LIST_DIR}/fonts_palette_test.cpp LIBS mw_screen)
mw_add_test(offscreen_images_test ${CMAKE_CURRENT_LIST_DIR}/offscreen_images_test.cpp LIBS mw_screen)
