# Number formatting and conversion. The byte-buffer cores are compiled straight into their
# tests so these run without string storage; the StringValue front ends link mw_strings.
set(MW_FORMAT_CORE_SOURCES
  ${CMAKE_SOURCE_DIR}/runtime/strings/number_format.cpp
  ${CMAKE_SOURCE_DIR}/runtime/strings/number_text.cpp)
mw_add_test(number_format_test ${CMAKE_CURRENT_LIST_DIR}/number_format_test.cpp LIBS)
target_sources(number_format_test PRIVATE ${MW_FORMAT_CORE_SOURCES})
mw_add_test(number_text_test ${CMAKE_CURRENT_LIST_DIR}/number_text_test.cpp LIBS)
target_sources(number_text_test PRIVATE ${MW_FORMAT_CORE_SOURCES})
mw_add_test(number_format_strings_test ${CMAKE_CURRENT_LIST_DIR}/number_format_strings_test.cpp LIBS mw_strings)
