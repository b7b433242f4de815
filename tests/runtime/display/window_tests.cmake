# The window's own event handling: close requests and Pause/Break.
mw_add_test(window_hook_test ${CMAKE_CURRENT_LIST_DIR}/window_hook_test.cpp LIBS mw_display)
