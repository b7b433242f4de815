#include "runtime/screen/text_output.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/errors.h"
#include "runtime/core/low_memory.h"
#include "runtime/screen/drawing.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/screen_state.h"
#include "runtime/strings/string_storage.h"
#include "tests/support/screen_reader.h"

namespace {

using rt::Image;

constexpr int32_t kModeGiven = 1;

std::vector<int64_t> bell_sleeps;
void record_sleep(int64_t ms) { bell_sleeps.push_back(ms); }

struct Cursor {
  int32_t row, column, held;
  bool operator==(const Cursor&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Cursor& c) {
  return os << "row " << c.row << " column " << c.column << " held " << c.held;
}

class TextOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    rt::initialise_low_memory();
    rt::initialise_string_storage();
    rt::initialise_screen();
    bell_sleeps.clear();
    rt::set_bell_sleep(record_sleep);
  }
  void TearDown() override { rt::set_bell_sleep(nullptr); }

  // A fresh screen of the mode: selecting the mode already shown would keep everything.
  void mode(int32_t m) {
    rt::set_screen_mode(m == 0 ? 12 : 0, 0, 0, 0, 0, kModeGiven);
    rt::set_screen_mode(m, 0, 0, 0, 0, kModeGiven);
    ASSERT_FALSE(rt::error_pending());
  }
  Image& screen() { return *rt::destination(); }
  void print(std::string_view s, bool line_end = false) {
    rt::print_text(rt::string_from_literal(s.data(), static_cast<int32_t>(s.size())),
                   line_end ? 1 : 0);
  }
  void at(int32_t row, int32_t column) {
    rt::set_cursor_position(row, column, 0, 0, 0, rt::CURSOR_ROW_GIVEN | rt::CURSOR_COLUMN_GIVEN);
    ASSERT_FALSE(rt::error_pending());
  }
  // Text printed on paper of colour 0.
  std::string row_text(int32_t row) { return mw_test::read_row(screen(), row, 0u); }
  Cursor cursor() { return {screen().cursor_y, screen().cursor_x, screen().cursor_held}; }
  std::vector<uint8_t> pixels() {
    Image& s = screen();
    size_t bytes = size_t{s.width} * s.height * s.bytes_per_pixel;
    return std::vector<uint8_t>(s.pixels, s.pixels + bytes);
  }
  std::vector<uint8_t> record_bytes() {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&screen());
    return std::vector<uint8_t>(p, p + sizeof(Image));
  }
  // Expects error 5 and nothing of the screen, its cursor or its colours changed.
  template <typename Call>
  void expect_refused(Call call, const char* what) {
    std::vector<uint8_t> before = pixels();
    std::vector<uint8_t> record = record_bytes();
    call();
    EXPECT_EQ(rt::pending_error(), rt::kErrIllegalFunctionCall) << what;
    EXPECT_EQ(record, record_bytes()) << what;
    EXPECT_EQ(before, pixels()) << what;
    rt::clear_pending_error();
  }
};

TEST_F(TextOutput, EightyCharactersHoldTheCursorUntilTheNextOutput) {
  struct Case {
    const char* follow_up;
    bool line_end;
    Cursor after;
  };
  const Case cases[] = {
      {"", true, {2, 1, 0}},     // the owed line end is paid, exactly one row down
      {"next", false, {2, 5, 0}},  // the next text starts on the next row
      {"", false, {1, 80, 1}},   // nothing printed, nothing owed is paid
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.follow_up);
    mode(12);
    print(std::string(80, 'x'));
    EXPECT_EQ(cursor(), (Cursor{1, 80, 1}));
    EXPECT_EQ(rt::get_cursor_column(), 1);
    EXPECT_EQ(rt::get_cursor_row(), 2);
    print(c.follow_up, c.line_end);
    EXPECT_EQ(cursor(), c.after);
    EXPECT_EQ(row_text(1), std::string(80, 'x'));
    EXPECT_EQ(row_text(2), c.follow_up);
  }
}

TEST_F(TextOutput, EightyFirstCharacterWrapsToTheNextRow) {
  mode(12);
  print(std::string(80, 'a') + "b");
  EXPECT_EQ(row_text(1), std::string(80, 'a'));
  EXPECT_EQ(row_text(2), "b");
  EXPECT_EQ(cursor(), (Cursor{2, 2, 0}));
  // A line end after a string ending in the last column wraps once, not twice.
  print(std::string(78, 'c'), true);
  EXPECT_EQ(cursor(), (Cursor{3, 1, 0}));
}

TEST_F(TextOutput, HeldCursorOnTheLastWindowRowReportsThatRow) {
  mode(12);
  at(29, 75);
  print("123456");
  EXPECT_EQ(cursor(), (Cursor{29, 80, 1}));
  EXPECT_EQ(rt::get_cursor_row(), 29);
  // A cursor move with neither row nor column shows the held cursor on the next row.
  rt::set_cursor_position(0, 0, 1, 0, 0, rt::CURSOR_VISIBLE_GIVEN);
  EXPECT_EQ(screen().cursor_held, 2);
}

TEST_F(TextOutput, LineEndOnRow29ScrollsTheWindowAndLeavesRow30Alone) {
  mode(12);
  for (int32_t row = 1; row <= 29; ++row) {
    at(row, 1);
    print("ROW " + std::to_string(row));
  }
  at(30, 1);
  print("LAST");
  rt::set_color(7, 1, 0, rt::COLOR_FOREGROUND_GIVEN | rt::COLOR_BACKGROUND_GIVEN);
  std::vector<uint8_t> before = pixels();
  at(29, 1);
  print("", true);

  EXPECT_EQ(cursor(), (Cursor{29, 1, 0}));
  std::vector<uint8_t> after = pixels();
  const size_t row_bytes = 640;
  // Pixel rows 16-463 moved up to 0-447.
  EXPECT_TRUE(std::equal(after.begin(), after.begin() + 448 * row_bytes,
                         before.begin() + 16 * row_bytes));
  // Pixel rows 448-463 hold the background, rows 464-479 are untouched.
  EXPECT_TRUE(std::all_of(after.begin() + 448 * row_bytes, after.begin() + 464 * row_bytes,
                          [](uint8_t p) { return p == 1; }));
  EXPECT_TRUE(std::equal(after.begin() + 464 * row_bytes, after.end(),
                         before.begin() + 464 * row_bytes));
  EXPECT_EQ(row_text(1), "ROW 2");
  EXPECT_EQ(row_text(28), "ROW 29");
  EXPECT_EQ(row_text(30), "LAST");
}

TEST_F(TextOutput, TextScreenScrollsCellsAndBlanksTheFreedRow) {
  // Start-up screen: 80 x 25 cells, window rows 1-24.
  rt::set_color(14, 1, 0, rt::COLOR_FOREGROUND_GIVEN | rt::COLOR_BACKGROUND_GIVEN);
  for (int32_t row = 1; row <= 24; ++row) {
    at(row, 1);
    print("line " + std::to_string(row));
  }
  at(25, 1);
  print("status");
  at(24, 1);
  print("", true);
  EXPECT_EQ(row_text(1), "line 2");
  EXPECT_EQ(row_text(23), "line 24");
  EXPECT_EQ(row_text(24), "");
  EXPECT_EQ(row_text(25), "status");
  mw_test::CellReading blank = mw_test::read_cell(screen(), 24, 1);
  EXPECT_EQ(blank.foreground, 14u);
  EXPECT_EQ(blank.background, 1u);
  // Page 0 of the text screen lives in the emulated video memory.
  EXPECT_EQ(rt::low_memory_read_u8(rt::kTextVideoMemory), 'l');
}

TEST_F(TextOutput, TabsStopAtEveryEighthColumn) {
  struct Case {
    int32_t from;
    int32_t to_row, to_column;
  };
  const Case cases[] = {{1, 1, 9}, {8, 1, 9}, {9, 1, 17}, {16, 1, 17}, {79, 2, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    mode(12);
    at(1, c.from);
    print("\t|");
    EXPECT_EQ(row_text(c.to_row).size(), static_cast<size_t>(c.to_column));
    EXPECT_EQ(row_text(c.to_row).back(), '|');
  }
}

TEST_F(TextOutput, TabAtTheEndOfAnOddWidthLineStops) {
  // 70 columns: the last column is not a tab stop, and a held cursor stays in it.
  int32_t slot = rt::create_image(70 * 8, 32, 256);
  ASSERT_NE(slot, 0);
  rt::select_destination(slot);
  at(1, 69);
  print("\t");
  EXPECT_EQ(cursor(), (Cursor{1, 70, 1}));
}

TEST_F(TextOutput, ControlCharactersAct) {
  struct Case {
    const char* name;
    std::string text;
    int32_t start_row, start_column;
    Cursor after;
  };
  const Case cases[] = {
      {"return and line feed, then the line end", "A\r\n", 3, 1, {6, 1, 0}},
      {"home", "abc\x0b", 5, 7, {1, 1, 0}},
      {"right", "\x1c", 3, 3, {3, 4, 0}},
      {"right wraps without scrolling", "\x1c", 3, 80, {4, 1, 0}},
      {"right stops at the window's end", "\x1c", 29, 80, {29, 80, 0}},
      {"left", "\x1d", 3, 3, {3, 2, 0}},
      {"left wraps to the row above", "\x1d", 3, 1, {2, 80, 0}},
      {"left stops at the window's start", "\x1d", 1, 1, {1, 1, 0}},
      {"up", "\x1e", 3, 3, {2, 3, 0}},
      {"up stops at the top", "\x1e", 1, 3, {1, 3, 0}},
      {"down", "\x1f", 3, 3, {4, 3, 0}},
      {"down stops at the bottom", "\x1f", 29, 3, {29, 3, 0}},
      {"down does nothing outside the window", "\x1f", 30, 3, {30, 3, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mode(12);
    at(c.start_row, c.start_column);
    bool line_end = c.text == "A\r\n";
    print(c.text, line_end);
    EXPECT_EQ(cursor(), c.after);
  }
}

TEST_F(TextOutput, FormFeedClearsTheScreen) {
  mode(12);
  print("some text");
  print("\x0cZ");
  EXPECT_EQ(row_text(1), "Z");
}

TEST_F(TextOutput, BellPausesAndPrintsNothingUnlessControlCharactersAreGlyphs) {
  mode(12);
  print("a\x07" "b");
  EXPECT_EQ(bell_sleeps, std::vector<int64_t>{250});
  EXPECT_EQ(row_text(1), "ab");

  rt::set_control_char_mode(2);
  print("\x07\x0d");
  EXPECT_EQ(bell_sleeps.size(), 1u);
  EXPECT_EQ(mw_test::read_cell(screen(), 1, 3).code, 7);
  EXPECT_EQ(mw_test::read_cell(screen(), 1, 4).code, 13);
  EXPECT_EQ(cursor(), (Cursor{1, 5, 0}));

  rt::set_control_char_mode(0);
  rt::set_key_labels_printing(true);
  print("\x07");
  rt::set_key_labels_printing(false);
  EXPECT_EQ(bell_sleeps.size(), 1u);
  EXPECT_EQ(mw_test::read_cell(screen(), 1, 5).code, 7);
}

TEST_F(TextOutput, OtherControlCodesPrintTheirGlyphs) {
  mode(12);
  print(std::string("\x01\x08\x0e\x1b", 4));
  EXPECT_EQ(mw_test::read_cell(screen(), 1, 1).code, 1);
  EXPECT_EQ(mw_test::read_cell(screen(), 1, 2).code, 8);
  EXPECT_EQ(mw_test::read_cell(screen(), 1, 3).code, 14);
  EXPECT_EQ(mw_test::read_cell(screen(), 1, 4).code, 27);
}

TEST_F(TextOutput, PrintZonesAreFourteenColumnsWide) {
  struct Case {
    int32_t from;
    Cursor after;
  };
  const Case cases[] = {{3, {5, 15, 0}}, {1, {5, 15, 0}}, {15, {5, 29, 0}}, {50, {5, 57, 0}},
                        {57, {5, 80, 0}}, {60, {5, 80, 0}}, {80, {5, 80, 1}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    mode(12);
    at(5, c.from);
    rt::next_print_zone();
    EXPECT_EQ(cursor(), c.after);
  }
  // A held cursor just pays its line end.
  mode(12);
  print(std::string(80, 'z'));
  rt::next_print_zone();
  EXPECT_EQ(cursor(), (Cursor{2, 1, 0}));
}

TEST_F(TextOutput, ItemThatDoesNotFitTheRestOfTheLineStartsANewOne) {
  struct Case {
    int32_t from;
    int32_t length;
    int32_t row_after;
  };
  const Case cases[] = {{75, 10, 2}, {75, 6, 1}, {1, 200, 1}, {2, 80, 2}};
  for (int32_t m : {12, 0}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "mode " << m << " from " << c.from);
      mode(m);
      at(1, c.from);
      std::string item(static_cast<size_t>(c.length), 'i');
      rt::ensure_item_fits(rt::string_from_literal(item.data(), c.length));
      EXPECT_EQ(screen().cursor_y, c.row_after);
    }
  }
}

TEST_F(TextOutput, ClearScreenFillsWithTheBackgroundAndHomesTheCursor) {
  mode(12);
  rt::set_color(7, 3, 0, rt::COLOR_FOREGROUND_GIVEN | rt::COLOR_BACKGROUND_GIVEN);
  print("text");
  at(12, 40);
  rt::clear_screen(0, 0, 0);
  std::vector<uint8_t> after = pixels();
  EXPECT_EQ(after.size(), 307200u);
  EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](uint8_t p) { return p == 3; }));
  EXPECT_EQ(cursor(), (Cursor{1, 1, 0}));
  EXPECT_EQ(screen().graphics_x, 320.0f);
  EXPECT_EQ(screen().graphics_y, 240.0f);
}

TEST_F(TextOutput, ClearScreenMethodsChooseTheirArea) {
  // The viewport and the text window make the three methods differ.
  struct Case {
    int32_t method;
    int32_t flags;
    int32_t cleared_x, cleared_y;    // a pixel that is cleared
    int32_t kept_x, kept_y;          // a pixel that is not
  };
  const Case cases[] = {
      {0, 0, 50, 50, 5, 5},                                  // default: only the viewport
      {0, rt::CLEAR_METHOD_GIVEN, 5, 5, -1, -1},             // method 0: everything
      {1, rt::CLEAR_METHOD_GIVEN, 50, 50, 5, 5},             // method 1: the viewport
      {2, rt::CLEAR_METHOD_GIVEN, 5, 16 * 4, 5, 16 * 3 - 1},  // method 2: text rows 5-10
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.method);
    mode(12);
    rt::set_text_window(5, 10, 1);
    rt::set_viewport(20, 20, 100, 100, 0, 0, rt::VIEWPORT_CORNERS_GIVEN);
    Image& s = screen();
    std::memset(s.pixels, 9, 640 * 480);
    rt::clear_screen(c.method, 4, c.flags | rt::CLEAR_COLOR_GIVEN);
    ASSERT_FALSE(rt::error_pending());
    EXPECT_EQ(s.pixels[c.cleared_y * 640 + c.cleared_x], 4);
    if (c.kept_x >= 0) {
      EXPECT_EQ(s.pixels[c.kept_y * 640 + c.kept_x], 9);
    }
    EXPECT_EQ(cursor(), (Cursor{5, 1, 0}));
  }
}

TEST_F(TextOutput, ClearScreenOnTheTextScreenKeepsRowsBetweenWindowAndLastRow) {
  rt::set_text_window(2, 10, 1);
  std::memset(screen().pixels, 'x', 80 * 25 * 2);
  rt::clear_screen(0, 0, 0);
  EXPECT_EQ(mw_test::read_cell(screen(), 1, 1).code, 'x');
  EXPECT_EQ(mw_test::read_cell(screen(), 2, 1).code, ' ');
  EXPECT_EQ(mw_test::read_cell(screen(), 10, 80).code, ' ');
  EXPECT_EQ(mw_test::read_cell(screen(), 11, 1).code, 'x');
  EXPECT_EQ(mw_test::read_cell(screen(), 25, 1).code, ' ');
}

TEST_F(TextOutput, ClearScreenRefusesBadMethodsAndColours) {
  mode(12);
  print("keep");
  expect_refused([] { rt::clear_screen(3, 0, rt::CLEAR_METHOD_GIVEN); }, "method 3");
  expect_refused([] { rt::clear_screen(-1, 0, rt::CLEAR_METHOD_GIVEN); }, "method -1");
  expect_refused([] { rt::clear_screen(0, 16, rt::CLEAR_COLOR_GIVEN); }, "colour 16");
  expect_refused([] { rt::clear_screen(0, 0xFFFFFFFFu, rt::CLEAR_COLOR_GIVEN); }, "colour -1");
}

TEST_F(TextOutput, SetColorFollowsTheRulesOfEachMode) {
  constexpr int32_t kBoth = rt::COLOR_FOREGROUND_GIVEN | rt::COLOR_BACKGROUND_GIVEN;
  struct Case {
    int32_t mode;
    uint32_t fg, bg;
    int32_t flags;
    bool refused;
    uint32_t foreground, background;  // fields afterwards
  };
  const Case cases[] = {
      {12, 16, 0, kBoth, true, 15, 0},
      {12, 7, 16, kBoth, true, 15, 0},
      {12, 0xFFFFFFFFu, 0, kBoth, true, 15, 0},
      {12, 7, 0, kBoth | rt::COLOR_THIRD_GIVEN, true, 15, 0},
      {12, 2, 0, kBoth, false, 2, 0},
      {12, 9, 0, rt::COLOR_FOREGROUND_GIVEN, false, 9, 0},
      {0, 16, 0, kBoth, false, 16, 0},
      {0, 7, 15, kBoth | rt::COLOR_THIRD_GIVEN, false, 7, 7},
      {0, 32, 0, kBoth, true, 7, 0},
      {11, 1, 1, kBoth, false, 1, 1},
      {11, 2, 0, kBoth, true, 1, 0},
      {13, 255, 255, kBoth, false, 255, 255},
      {13, 256, 0, kBoth, true, 15, 0},
      {9, 15, 63, kBoth, false, 15, 0},
      {9, 15, 64, kBoth, true, 15, 0},
      {10, 3, 8, kBoth, false, 3, 0},
      {10, 4, 0, kBoth, true, 3, 0},
      {2, 1, 15, kBoth, false, 1, 0},
      {2, 2, 0, kBoth, true, 1, 0},
      {7, 15, 15, kBoth, false, 15, 0},
      {1, 15, 1000001, kBoth, false, 3, 0},
      {1, 16, 0, kBoth, true, 3, 0},
      {12, 99, 99, 0, false, 15, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " fg " << c.fg << " bg " << c.bg);
    mode(c.mode);
    rt::set_color(c.fg, c.bg, 0, c.flags);
    EXPECT_EQ(rt::pending_error(), c.refused ? rt::kErrIllegalFunctionCall : 0u);
    rt::clear_pending_error();
    EXPECT_EQ(screen().foreground, c.foreground);
    EXPECT_EQ(screen().background, c.background);
  }
}

TEST_F(TextOutput, SetColorChangesThePaletteWhereTheBackgroundIsAPaletteEntry) {
  constexpr int32_t kBoth = rt::COLOR_FOREGROUND_GIVEN | rt::COLOR_BACKGROUND_GIVEN;
  mode(9);
  rt::set_color(15, 20, 0, kBoth);
  EXPECT_EQ(screen().palette[0], rt::ega_color(20));
  mode(8);
  rt::set_color(15, 4, 0, kBoth);
  EXPECT_EQ(screen().palette[0], rt::vga_color(4));
  mode(10);
  rt::set_color(1, 6, 0, kBoth);
  EXPECT_EQ(screen().palette[4], 6u);
  mode(1);
  rt::set_color(9, 1, 0, kBoth);
  EXPECT_EQ(screen().palette[0], rt::vga_color(9));
  EXPECT_EQ(screen().palette[1], rt::vga_color(3));
  EXPECT_EQ(screen().palette[3], rt::vga_color(7));
  rt::set_color(0, 2, 0, rt::COLOR_BACKGROUND_GIVEN);
  EXPECT_EQ(screen().palette[1], rt::vga_color(2));
  EXPECT_EQ(screen().palette[3], rt::vga_color(6));
  EXPECT_EQ(screen().palette[0], rt::vga_color(9));
}

TEST_F(TextOutput, CursorRowsOutsideTheWindowAreRefusedExceptTheLastRow) {
  mode(12);
  at(30, 1);
  EXPECT_EQ(cursor(), (Cursor{30, 1, 0}));
  rt::set_text_window(5, 10, 1);
  for (int32_t row = 0; row <= 31; ++row) {
    SCOPED_TRACE(row);
    rt::set_cursor_position(row, 3, 0, 0, 0, rt::CURSOR_ROW_GIVEN | rt::CURSOR_COLUMN_GIVEN);
    bool allowed = (row >= 5 && row <= 10) || row == 30;
    EXPECT_EQ(rt::pending_error(), allowed ? 0u : rt::kErrIllegalFunctionCall);
    rt::clear_pending_error();
    if (allowed) {
      EXPECT_EQ(screen().cursor_y, row);
    }
  }
}

TEST_F(TextOutput, SetCursorPositionRefusesBadValues) {
  mode(12);
  at(4, 4);
  using F = rt::CursorPositionFlags;
  expect_refused([] { rt::set_cursor_position(0, 0, 0, 0, 0, F::CURSOR_ROW_GIVEN); }, "row 0");
  expect_refused([] { rt::set_cursor_position(0, 0, 0, 0, 0, F::CURSOR_COLUMN_GIVEN); }, "column 0");
  expect_refused([] { rt::set_cursor_position(0, 81, 0, 0, 0, F::CURSOR_COLUMN_GIVEN); }, "column 81");
  expect_refused([] { rt::set_cursor_position(5, 81, 0, 0, 0, F::CURSOR_ROW_GIVEN | F::CURSOR_COLUMN_GIVEN); },
                 "a good row with a bad column");
  expect_refused([] { rt::set_cursor_position(0, 0, 2, 0, 0, F::CURSOR_VISIBLE_GIVEN); }, "visible 2");
  expect_refused([] { rt::set_cursor_position(0, 0, 0, 32, 0, F::CURSOR_START_GIVEN); }, "start 32");
  expect_refused([] { rt::set_cursor_position(0, 0, 0, 0, -1, F::CURSOR_STOP_GIVEN); }, "stop -1");
}

TEST_F(TextOutput, CursorShapeAndVisibilityReachEveryPageOfTheTextScreen) {
  rt::set_cursor_position(0, 0, 1, 2, 9,
                          rt::CURSOR_VISIBLE_GIVEN | rt::CURSOR_START_GIVEN | rt::CURSOR_STOP_GIVEN);
  for (int32_t page = 0; page < 8; ++page) {
    Image* image = rt::image_record(rt::page_slot(page));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->cursor_visible, 1);
    EXPECT_EQ(image->cursor_start, 2);
    EXPECT_EQ(image->cursor_stop, 9);
  }
}

TEST_F(TextOutput, FirstScreenGrowsToFiftyRowsKeepingItsText) {
  rt::set_color(14, 1, 0, rt::COLOR_FOREGROUND_GIVEN | rt::COLOR_BACKGROUND_GIVEN);
  print("top line", true);
  at(25, 1);
  print("row 25");
  at(40, 7);
  EXPECT_EQ(screen().height, 50);
  EXPECT_EQ(screen().width, 80);
  EXPECT_EQ(cursor(), (Cursor{40, 7, 0}));
  EXPECT_EQ(row_text(1), "top line");
  EXPECT_EQ(row_text(25), "row 25");
  EXPECT_EQ(screen().foreground, 14u);
  EXPECT_EQ(screen().background, 1u);
  EXPECT_FALSE(rt::first_screen_pending());
}

TEST_F(TextOutput, FirstScreenSwitchIsUsedOnce) {
  rt::set_cursor_position(51, 1, 0, 0, 0, rt::CURSOR_ROW_GIVEN);
  EXPECT_EQ(rt::pending_error(), rt::kErrIllegalFunctionCall);
  rt::clear_pending_error();
  EXPECT_EQ(screen().height, 25);
  rt::set_cursor_position(40, 1, 0, 0, 0, rt::CURSOR_ROW_GIVEN);
  EXPECT_EQ(rt::pending_error(), rt::kErrIllegalFunctionCall);
  EXPECT_EQ(screen().height, 25);
}

TEST_F(TextOutput, TextWindowBoundsAreChecked) {
  mode(12);
  at(7, 7);
  expect_refused([] { rt::set_text_window(0, 5, 1); }, "top 0");
  expect_refused([] { rt::set_text_window(6, 5, 1); }, "top below bottom");
  expect_refused([] { rt::set_text_window(1, 31, 1); }, "bottom 31");
  rt::set_text_window(3, 8, 1);
  EXPECT_EQ(cursor(), (Cursor{3, 1, 0}));
  at(8, 1);
  print("", true);  // scrolls within rows 3-8
  EXPECT_EQ(cursor(), (Cursor{8, 1, 0}));
  rt::set_text_window(0, 0, 0);
  EXPECT_EQ(screen().text_top, 1);
  EXPECT_EQ(screen().text_bottom, 30);
  EXPECT_EQ(cursor(), (Cursor{1, 1, 0}));
}

TEST_F(TextOutput, PrintWidthCountsEightPixelsACharacter) {
  mode(12);
  EXPECT_EQ(rt::print_width(rt::string_from_c_text("abc"), 0, 0), 24);
  EXPECT_EQ(rt::print_width(rt::string_from_c_text(""), 0, 0), 0);
  EXPECT_EQ(rt::print_width(nullptr, 0, 0), 0);
  EXPECT_EQ(rt::print_width(rt::string_from_c_text("abc"), -4000, 1), 0);
  EXPECT_EQ(rt::pending_error(), rt::kErrInvalidHandle);
  rt::clear_pending_error();
  mode(0);
  EXPECT_EQ(rt::print_width(rt::string_from_c_text("abc"), 0, 0), 0);
  EXPECT_EQ(rt::pending_error(), rt::kErrIllegalFunctionCall);
}

TEST_F(TextOutput, TextReadsBackInEveryFont) {
  // Fonts 16 (mode 12), 14 (mode 9), 8 (mode 13) and the text screen's cells.
  for (int32_t m : {12, 9, 13, 0}) {
    SCOPED_TRACE(m);
    mode(m);
    rt::set_color(2, 0, 0, rt::COLOR_FOREGROUND_GIVEN | rt::COLOR_BACKGROUND_GIVEN);
    at(3, 5);
    print("Hello, Marrowick!");
    EXPECT_EQ(row_text(3), "    Hello, Marrowick!");
    mw_test::CellReading cell = mw_test::read_cell(screen(), 3, 5);
    EXPECT_TRUE(cell.matched);
    EXPECT_EQ(cell.foreground, 2u);
    EXPECT_EQ(cell.background, 0u);
  }
}

TEST_F(TextOutput, GlyphsOnA32BitImageBlendAndReadBack) {
  int32_t slot = rt::create_image(160, 32, 32);
  ASSERT_NE(slot, 0);
  rt::select_destination(slot);
  rt::set_color(0xFFFFFF00u, 0xFF000080u, 0, rt::COLOR_FOREGROUND_GIVEN | rt::COLOR_BACKGROUND_GIVEN);
  print("A1");
  EXPECT_EQ(mw_test::read_text_rows(screen(), 1, 1, 1, 3)[0], "A1\xdb");  // unprinted: transparent
  EXPECT_EQ(mw_test::read_cell(screen(), 1, 1).foreground, 0xFFFFFF00u);
  // A half-transparent colour mixes with what was there.
  rt::set_color(0x80FFFFFFu, 0xFF000080u, 0, rt::COLOR_FOREGROUND_GIVEN | rt::COLOR_BACKGROUND_GIVEN);
  at(1, 1);
  print(std::string(1, '\xdb'));
  uint32_t mixed = reinterpret_cast<uint32_t*>(screen().pixels)[0];
  EXPECT_EQ(mixed, rt::blend_pixel(0x80FFFFFFu, 0xFF000080u));
}

TEST_F(TextOutput, EverythingWaitsWhileAnErrorIsPending) {
  mode(12);
  at(2, 2);
  rt::raise_error(rt::kErrIllegalFunctionCall);
  std::vector<uint8_t> before = pixels();
  std::vector<uint8_t> record = record_bytes();
  print("ignored", true);
  rt::clear_screen(0, 0, 0);
  rt::set_color(1, 1, 0, 3);
  rt::next_print_zone();
  rt::set_text_window(1, 2, 1);
  rt::set_cursor_position(5, 5, 0, 0, 0, 3);
  EXPECT_EQ(rt::get_cursor_row(), 0);
  EXPECT_EQ(record, record_bytes());
  EXPECT_EQ(before, pixels());
}

}  // namespace
