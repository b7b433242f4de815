# The typed seed is read through the keyboard and echoed through text output.
mw_add_test(random_test ${CMAKE_CURRENT_LIST_DIR}/random_test.cpp LIBS mw_strings mw_display mw_screen)
