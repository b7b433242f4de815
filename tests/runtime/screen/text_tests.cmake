mw_add_test(text_output_test ${CMAKE_CURRENT_LIST_DIR}/text_output_test.cpp
            LIBS mw_screen_reader mw_screen mw_strings mw_core mw_host)
mw_add_test(drawing_test ${CMAKE_CURRENT_LIST_DIR}/drawing_test.cpp
            LIBS mw_screen mw_strings mw_core mw_host)
mw_add_test(screen_reader_test ${CMAKE_CURRENT_LIST_DIR}/screen_reader_test.cpp
            LIBS mw_screen_reader mw_screen mw_strings mw_core mw_host)
