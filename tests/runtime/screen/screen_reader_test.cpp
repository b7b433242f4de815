#include "tests/support/screen_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "runtime/core/errors.h"
#include "runtime/core/low_memory.h"
#include "runtime/screen/screen_state.h"
#include "runtime/screen/text_output.h"
#include "runtime/strings/string_storage.h"

namespace {

class ScreenReader : public ::testing::Test {
 protected:
  void SetUp() override {
    rt::initialise_low_memory();
    rt::initialise_string_storage();
    rt::initialise_screen();
    rt::set_screen_mode(12, 0, 0, 0, 0, 1);
    ASSERT_FALSE(rt::error_pending());
  }
  rt::Image& screen() { return *rt::destination(); }
};

TEST_F(ScreenReader, ReadsAComposedFrameThroughThePalette) {
  rt::set_color(14, 1, 0, rt::COLOR_FOREGROUND_GIVEN | rt::COLOR_BACKGROUND_GIVEN);
  rt::clear_screen(0, 0, 0);
  rt::set_cursor_position(30, 3, 0, 0, 0, rt::CURSOR_ROW_GIVEN | rt::CURSOR_COLUMN_GIVEN);
  rt::print_text(rt::string_from_c_text("Press any key to continue"), 0);
  std::vector<uint32_t> frame(640 * 480);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = screen().palette[screen().pixels[i]];
  mw_test::Frame view{frame.data(), 640, 480};
  EXPECT_EQ(mw_test::read_frame_row(view, 30, screen().palette[1]), "  Press any key to continue");
  EXPECT_EQ(mw_test::read_frame_row(view, 29, screen().palette[1]), "");
  mw_test::CellReading cell = mw_test::read_frame_cell(view, 30, 3, screen().palette[1]);
  EXPECT_EQ(cell.code, 'P');
  EXPECT_EQ(cell.foreground, screen().palette[14]);
}

TEST_F(ScreenReader, TellsCellsThatAreNoGlyph) {
  rt::print_text(rt::string_from_c_text("ab"), 0);
  screen().pixels[3 * 640 + 2] = 5;  // a third colour in cell 1
  screen().pixels[0 * 640 + 8] = 15;  // a stray ink pixel in cell 2
  mw_test::CellReading third = mw_test::read_cell(screen(), 1, 1);
  EXPECT_FALSE(third.matched);
  EXPECT_EQ(third.code, '?');
  EXPECT_FALSE(mw_test::read_cell(screen(), 1, 2).matched);
  EXPECT_EQ(mw_test::read_row(screen(), 1), "??");
  // Outside the image: nothing read.
  EXPECT_FALSE(mw_test::read_cell(screen(), 31, 1).matched);
  EXPECT_FALSE(mw_test::read_cell(screen(), 1, 81).matched);
}

TEST_F(ScreenReader, PrefersPrintableCharactersAndTheGivenPaper) {
  // Inverse video: black on light grey still reads as the character.
  rt::set_color(0, 7, 0, rt::COLOR_FOREGROUND_GIVEN | rt::COLOR_BACKGROUND_GIVEN);
  rt::print_text(rt::string_from_c_text("Hi"), 0);
  EXPECT_EQ(mw_test::read_text_rows(screen(), 1, 1, 1, 2, 7u)[0], "Hi");
  mw_test::CellReading cell = mw_test::read_cell(screen(), 1, 1, 7u);
  EXPECT_EQ(cell.foreground, 0u);
  EXPECT_EQ(cell.background, 7u);
  // A one-colour cell is a space in the paper colour and a full block in any other.
  EXPECT_EQ(mw_test::read_cell(screen(), 2, 1, 0u).code, ' ');
  EXPECT_EQ(mw_test::read_cell(screen(), 2, 1, 7u).code, 219);
}

}  // namespace
