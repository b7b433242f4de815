# The runtime without a window, for play tests: fake clock, scripted keys, frames as text.
add_library(mw_headless_runtime STATIC ${CMAKE_CURRENT_LIST_DIR}/headless_runtime.cpp)
target_link_libraries(mw_headless_runtime PUBLIC mw_frame mw_display mw_screen mw_strings
                      mw_core mw_screen_reader GTest::gtest Threads::Threads)
