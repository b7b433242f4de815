# Composition cost against plain memory copies, and an idle mode-12 program for measuring
# the whole process's CPU use (tools/measure_idle_cpu.sh).
if(MW_BENCHMARKS)
  find_package(benchmark REQUIRED)
  add_executable(display_bench ${CMAKE_CURRENT_LIST_DIR}/display_bench.cpp)
  target_link_libraries(display_bench PRIVATE mw_display benchmark::benchmark Threads::Threads)
  add_test(NAME display_bench COMMAND display_bench --benchmark_min_time=0.2)
  set_tests_properties(display_bench PROPERTIES LABELS benchmark TIMEOUT 300)
endif()
add_executable(idle_mode12 ${CMAKE_CURRENT_LIST_DIR}/idle_mode12.cpp)
target_link_libraries(idle_mode12 PRIVATE mw_frame mw_display)
