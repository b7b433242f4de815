# A typical string statement chain on the runtime's strings against the same chain on
# std::string, with the heap allocations each statement makes in steady state.
if(MW_BENCHMARKS)
  find_package(benchmark REQUIRED)
  add_executable(strings_benchmark ${CMAKE_CURRENT_LIST_DIR}/strings_benchmark.cpp)
  target_link_libraries(strings_benchmark PRIVATE mw_strings benchmark::benchmark Threads::Threads)
  add_test(NAME strings_benchmark COMMAND strings_benchmark --benchmark_min_time=0.2)
  set_tests_properties(strings_benchmark PROPERTIES LABELS benchmark TIMEOUT 300)
endif()
