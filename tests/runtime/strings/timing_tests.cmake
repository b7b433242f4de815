mw_add_test(timing_test ${CMAKE_CURRENT_LIST_DIR}/timing_test.cpp LIBS mw_strings mw_core)
