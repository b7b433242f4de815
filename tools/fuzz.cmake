# The number-formatting fuzz harnesses. Every build replays the seed corpora with a fixed
# set of mutants (any compiler; sanitized in the sanitizer build). With MW_FUZZERS ON (a
# clang build) the libFuzzer binaries are built too, each with a short seeded run.
set(MW_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR}/fuzz)
set(MW_FORMAT_FUZZ_SOURCES
  ${CMAKE_SOURCE_DIR}/runtime/strings/number_format.cpp
  ${CMAKE_SOURCE_DIR}/runtime/strings/number_text.cpp)

foreach(h format_picture text_to_number)
  add_executable(${h}_replay ${MW_FUZZ_DIR}/${h}_fuzzer.cpp ${MW_FUZZ_DIR}/replay_main.cpp
                 ${MW_FORMAT_FUZZ_SOURCES})
  add_test(NAME ${h}_fuzz_replay COMMAND ${h}_replay ${MW_FUZZ_DIR}/corpus/${h})
  set_tests_properties(${h}_fuzz_replay PROPERTIES LABELS fuzz TIMEOUT 300)
endforeach()

if(MW_FUZZERS)
  add_subdirectory(${MW_FUZZ_DIR} ${CMAKE_BINARY_DIR}/tools/fuzz)
  foreach(h format_picture text_to_number)
    # New inputs go to a scratch folder first; the committed seeds are only read.
    set(work ${CMAKE_BINARY_DIR}/fuzz-corpus/${h})
    file(MAKE_DIRECTORY ${work})
    add_test(NAME ${h}_fuzz_short
             COMMAND ${h}_fuzzer -seed=1 -runs=20000 -max_len=4096 ${work} ${MW_FUZZ_DIR}/corpus/${h})
    set_tests_properties(${h}_fuzz_short PROPERTIES LABELS fuzz TIMEOUT 600)
  endforeach()
endif()
