# Printing a line of glyphs against scrolling the mode-12 text window.
if(MW_BENCHMARKS)
  find_package(benchmark REQUIRED)
  add_executable(text_benchmark ${CMAKE_CURRENT_LIST_DIR}/text_benchmark.cpp)
  target_link_libraries(text_benchmark PRIVATE mw_screen mw_strings mw_core mw_host
                        benchmark::benchmark Threads::Threads)
  add_test(NAME text_benchmark COMMAND text_benchmark --benchmark_min_time=0.2)
  set_tests_properties(text_benchmark PROPERTIES LABELS benchmark TIMEOUT 300)
endif()
