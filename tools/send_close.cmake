# send_close: the close button's request to a window, for the real-window tests.
add_executable(send_close ${CMAKE_CURRENT_LIST_DIR}/send_close.c)
target_link_libraries(send_close PRIVATE X11::X11)
