mw_add_test(keyboard_test ${CMAKE_CURRENT_LIST_DIR}/keyboard_test.cpp LIBS mw_display)
