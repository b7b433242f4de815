// Printing on the mode-12 screen: a whole line of glyphs against the block scroll that a
// line end on the last window row costs. Compare the rows of one run, never across runs.
#include <benchmark/benchmark.h>

#include <string>

#include "runtime/core/low_memory.h"
#include "runtime/screen/screen_state.h"
#include "runtime/screen/text_output.h"
#include "runtime/strings/string_storage.h"

namespace {

constexpr uint32_t kRowAndColumn = rt::CURSOR_ROW_GIVEN | rt::CURSOR_COLUMN_GIVEN;

void start_mode12() {
  static bool ready = false;
  if (!ready) {
    rt::initialise_low_memory();
    rt::initialise_string_storage();
    rt::initialise_screen();
    rt::set_screen_mode(12, 0, 0, 0, 0, 1);
    ready = true;
  }
}

void print_line(benchmark::State& state, int32_t row, bool with_text) {
  start_mode12();
  static const std::string line(80, 'W');
  int32_t mark = rt::temporary_mark();
  for (auto _ : state) {
    rt::set_cursor_position(row, 1, 0, 0, 0, kRowAndColumn);
    if (with_text) rt::print_text(rt::string_from_literal(line.data(), 79), 0);
    rt::print_text(rt::string_from_literal("", 0), 1);
    rt::release_temporaries(mark, nullptr);
  }
}

// 79 glyphs and a line end that stays inside the window.
void BM_PrintLine(benchmark::State& state) { print_line(state, 1, true); }
// The same line on row 29: the line end scrolls 28 text rows.
void BM_PrintLineAndScroll(benchmark::State& state) { print_line(state, 29, true); }
// The scroll alone.
void BM_ScrollOnly(benchmark::State& state) { print_line(state, 29, false); }

BENCHMARK(BM_PrintLine);
BENCHMARK(BM_PrintLineAndScroll);
BENCHMARK(BM_ScrollOnly);

}  // namespace

BENCHMARK_MAIN();
