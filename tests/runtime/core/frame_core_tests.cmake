# The frame's core: errors, checkpoint, events, return stack, exit sequence, low memory.
mw_add_test(core_errors_test ${CMAKE_CURRENT_LIST_DIR}/errors_test.cpp LIBS mw_core)
mw_add_test(core_checkpoint_test ${CMAKE_CURRENT_LIST_DIR}/checkpoint_test.cpp LIBS mw_core)
mw_add_test(core_events_test ${CMAKE_CURRENT_LIST_DIR}/events_test.cpp LIBS mw_core)
mw_add_test(core_return_stack_test ${CMAKE_CURRENT_LIST_DIR}/return_stack_test.cpp LIBS mw_core)
mw_add_test(core_exit_sequence_test ${CMAKE_CURRENT_LIST_DIR}/exit_sequence_test.cpp LIBS mw_core)
mw_add_test(core_low_memory_test ${CMAKE_CURRENT_LIST_DIR}/low_memory_test.cpp LIBS mw_core)
mw_add_test(core_command_line_test ${CMAKE_CURRENT_LIST_DIR}/command_line_test.cpp LIBS mw_core)
