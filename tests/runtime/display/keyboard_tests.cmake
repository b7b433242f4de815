mw_add_test(keyboard_test ${CMAKE_CURRENT_LIST_DIR}/keyboard_test.cpp LIBS mw_display)
mw_add_test(keyboard_storm_test ${CMAKE_CURRENT_LIST_DIR}/keyboard_storm_test.cpp LIBS mw_display)
