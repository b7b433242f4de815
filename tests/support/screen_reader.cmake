add_library(mw_screen_reader STATIC ${CMAKE_CURRENT_LIST_DIR}/screen_reader.cpp)
target_link_libraries(mw_screen_reader PUBLIC mw_screen)
