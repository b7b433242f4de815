mw_add_test(string_storage_test ${CMAKE_CURRENT_LIST_DIR}/string_storage_test.cpp LIBS mw_strings)
mw_add_test(string_ops_test ${CMAKE_CURRENT_LIST_DIR}/string_ops_test.cpp LIBS mw_strings)
mw_add_test(pack_number_test ${CMAKE_CURRENT_LIST_DIR}/pack_number_test.cpp LIBS mw_strings)
mw_add_test(string_model_test ${CMAKE_CURRENT_LIST_DIR}/string_model_test.cpp LIBS mw_strings)
