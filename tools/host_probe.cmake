# host_probe: the host layer's X11 services on their own, for the real-window tests.
add_executable(host_probe ${CMAKE_CURRENT_LIST_DIR}/host_probe.cpp)
target_link_libraries(host_probe PRIVATE mw_host)
