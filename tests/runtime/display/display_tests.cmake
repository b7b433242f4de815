mw_add_test(compose_test ${CMAKE_CURRENT_LIST_DIR}/compose_test.cpp LIBS mw_display)
mw_add_test(refresh_test ${CMAKE_CURRENT_LIST_DIR}/refresh_test.cpp LIBS mw_display)
