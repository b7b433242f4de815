# The host layer: message box, key state, clocks, threads, floating point, paths, exit.
mw_add_test(host_test ${CMAKE_CURRENT_LIST_DIR}/host_test.cpp LIBS mw_host)
