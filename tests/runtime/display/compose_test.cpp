// Frame composition: text, indexed and 32-bit pages, change detection, blink and the
// cursor, the pause handshake and the ring's full, reclaim and recycle rules.
#include <cstring>
#include <vector>

#include "tests/runtime/display/display_fixture.h"

namespace {

// Reference rendering of one cell of a text page in an 8 x 16 font.
uint32_t expected_text_pixel(const rt::Image* p, int32_t x, int32_t y, bool blink_on) {
  const uint8_t* cell = p->pixels + ((y / 16) * p->width + x / 8) * 2;
  uint8_t attribute = cell[1];
  int32_t foreground = attribute & 15, background = (attribute >> 4) & 7;
  if ((attribute & 0x80) && blink_on) foreground = background;
  bool ink = rt::glyphs_8x16()[cell[0] * 128 + (y % 16) * 8 + x % 8] != 0;
  return p->palette[ink ? foreground : background];
}

void expect_text_frame_matches_page(bool blink_on) {
  const rt::FrameSlot& f = rt::frame_slot(rt::latest_frame());
  ASSERT_NE(f.pixels, nullptr);
  int mismatches = 0;
  for (int32_t y = 0; y < f.height; ++y)
    for (int32_t x = 0; x < f.width; ++x)
      if (f.pixels[y * f.width + x] != expected_text_pixel(rt::display_page(), x, y, blink_on))
        ++mismatches;
  EXPECT_EQ(mismatches, 0);
}

TEST_F(DisplayTest, StartupTextScreenBecomesA640By400Frame) {
  put_cell(0, 0, 'M', 0x07);
  put_cell(2, 3, 'A', 0x1E);
  put_cell(79, 24, 0xDB, 0x4F);
  rt::compose_frame();
  ASSERT_EQ(rt::latest_frame(), 1);
  EXPECT_EQ(rt::oldest_frame(), 1);
  EXPECT_EQ(latest().width, 640);
  EXPECT_EQ(latest().height, 400);
  EXPECT_EQ(latest().byte_size, 640 * 400 * 4);
  EXPECT_EQ(rt::previous_frame_valid.load(), 1);
  expect_text_frame_matches_page(false);
}

TEST_F(DisplayTest, UnchangedTextPageMakesNoFrameUntilTheBlinkPhaseTurns) {
  rt::compose_frame();
  for (uint32_t counter = 1; counter < 8; ++counter) {
    rt::set_frame_counter(counter);
    rt::compose_frame();
  }
  EXPECT_EQ(rt::latest_frame(), 1);
  rt::set_frame_counter(8);  // bit 3: the phase changes, even with nothing blinking
  rt::compose_frame();
  EXPECT_EQ(rt::latest_frame(), 2);
}

TEST_F(DisplayTest, ChangedCellIsRedrawnOnACopyOfThePreviousFrame) {
  rt::compose_frame();
  std::vector<uint32_t> before(latest().pixels, latest().pixels + 640 * 400);
  put_cell(10, 5, 'Z', 0x2A);
  rt::compose_frame();
  ASSERT_EQ(rt::latest_frame(), 2);
  expect_text_frame_matches_page(false);
  int changed_outside = 0;
  for (int32_t y = 0; y < 400; ++y)
    for (int32_t x = 0; x < 640; ++x) {
      bool in_cell = x / 8 == 10 && y / 16 == 5;
      if (!in_cell && pixel(x, y) != before[y * 640 + x]) ++changed_outside;
    }
  EXPECT_EQ(changed_outside, 0);
}

TEST_F(DisplayTest, BlinkingCellShowsItsBackgroundInThePhaseOn) {
  put_cell(4, 4, 'B', 0x9E);  // blink, yellow on blue
  rt::compose_frame();
  expect_text_frame_matches_page(false);
  int ink = 0;  // the B is there in the phase off
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 8; ++x) ink += pixel(32 + x, 64 + y) == page()->palette[14];
  EXPECT_GT(ink, 0);
  rt::set_frame_counter(8);
  rt::compose_frame();
  ASSERT_EQ(rt::latest_frame(), 2);
  expect_text_frame_matches_page(true);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 8; ++x) ASSERT_EQ(pixel(32 + x, 64 + y), page()->palette[1]);
}

TEST_F(DisplayTest, TextPaletteChangeRedrawsEveryCell) {
  put_cell(1, 1, 'P', 0x0C);
  rt::compose_frame();
  page()->palette[0] = 0xFF102030;
  page()->palette[12] = 0xFFABCDEF;
  rt::compose_frame();
  ASSERT_EQ(rt::latest_frame(), 2);
  expect_text_frame_matches_page(false);
  EXPECT_EQ(pixel(639, 399), 0xFF102030u);
}

TEST_F(DisplayTest, GlyphSourcesOfTheBuiltInFonts) {
  struct Case {
    uint32_t font;
    int32_t cell_width, cell_height;
    bool wide_glyphs;  // 8 x 16 set, else 8 x 8
    int32_t first_row;
    bool doubled;
  };
  const Case cases[] = {
      {8, 8, 8, false, 0, false},  {9, 16, 8, false, 0, true},
      {14, 8, 14, true, 1, false}, {15, 16, 14, true, 1, true},
      {16, 8, 16, true, 0, false}, {17, 16, 16, true, 0, true},
  };
  for (const Case& c : cases) {
    rt::clear_frame_ring();
    rt::previous_frame_valid.store(0);
    page()->font = c.font;
    put_cell(1, 2, 'g', 0x0F);
    rt::compose_frame();
    const rt::FrameSlot& f = latest();
    ASSERT_NE(f.pixels, nullptr) << c.font;
    EXPECT_EQ(f.width, 80 * c.cell_width) << c.font;
    EXPECT_EQ(f.height, 25 * c.cell_height) << c.font;
    const uint8_t* glyph = c.wide_glyphs ? rt::glyphs_8x16() + 'g' * 128 : rt::glyphs_8x8() + 'g' * 64;
    int mismatches = 0;
    for (int32_t y = 0; y < c.cell_height; ++y)
      for (int32_t x = 0; x < c.cell_width; ++x) {
        uint8_t ink = glyph[(y + c.first_row) * 8 + (c.doubled ? x / 2 : x)];
        uint32_t expected = page()->palette[ink ? 15 : 0];
        if (pixel(c.cell_width + x, 2 * c.cell_height + y) != expected) ++mismatches;
      }
    EXPECT_EQ(mismatches, 0) << "font " << c.font;
  }
}

TEST_F(DisplayTest, UnknownFontMakesNoFrameAndNoFault) {
  page()->font = 99;
  rt::auto_display.store(-1);
  rt::compose_frame();
  EXPECT_EQ(rt::latest_frame(), 0);
  EXPECT_EQ(rt::auto_display.load(), 0);  // the hand-over still completes
}

// ---- the cursor ----------------------------------------------------------------

TEST_F(DisplayTest, CursorShapes) {
  struct Case {
    int32_t start, stop, height;
    rt::CursorLines lines;
  };
  const Case cases[] = {
      {1, 0, 16, {0, 0}},    // stop 0, start not 0: invisible
      {0, 0, 16, {0, 1}},    // top line only
      {7, 3, 16, {3, 13}},   // stop before start: from the stop line down
      {30, 20, 16, {0, 0}},  // ... which may lie below the cell
      {4, 4, 16, {14, 1}},   // one line, at 14 in a 16-line cell
      {4, 4, 8, {7, 1}},
      {2, 2, 16, {2, 1}},
      {5, 6, 16, {13, 2}},
      {5, 7, 16, {12, 3}},
      {5, 7, 14, {11, 3}},
      {3, 10, 16, {8, 8}},  // half
      {3, 10, 14, {7, 7}},
      {0, 3, 16, {0, 4}},
      {1, 5, 16, {1, 15}},
      {0, 20, 8, {0, 8}},
      {2, 3, 16, {2, 2}},
      {2, 4, 16, {12, 3}},
      {2, 9, 16, {2, 14}},
  };
  for (const Case& c : cases) {
    rt::CursorLines got = rt::cursor_lines(c.start, c.stop, c.height);
    EXPECT_EQ(got.count, c.lines.count) << c.start << "," << c.stop << " h" << c.height;
    if (c.lines.count != 0) EXPECT_EQ(got.first, c.lines.first) << c.start << "," << c.stop;
  }
}

// Rows of cell (column, row) that are entirely in colour.
std::vector<int32_t> solid_rows(int32_t column, int32_t row, uint32_t color) {
  std::vector<int32_t> rows;
  for (int32_t y = 0; y < 16; ++y) {
    bool solid = true;
    for (int32_t x = 0; x < 8; ++x)
      solid = solid && rt::frame_slot(rt::latest_frame()).pixels[(row * 16 + y) * 640 + column * 8 + x] == color;
    if (solid) rows.push_back(y);
  }
  return rows;
}

TEST_F(DisplayTest, CursorIsDrawnInThePhaseOnAndFollowsMoves) {
  page()->cursor_visible = 1;
  page()->cursor_start = page()->cursor_stop = 4;
  page()->cursor_x = 5;
  page()->cursor_y = 2;
  put_cell(4, 1, ' ', 0x0E);
  const uint32_t ink = page()->palette[14];
  rt::compose_frame();
  EXPECT_TRUE(solid_rows(4, 1, ink).empty());  // phase off
  rt::set_frame_counter(8);
  rt::compose_frame();
  EXPECT_EQ(solid_rows(4, 1, ink), std::vector<int32_t>{14});

  put_cell(6, 1, ' ', 0x0E);
  page()->cursor_x = 7;  // a move within the same phase shows at once
  rt::compose_frame();
  ASSERT_EQ(rt::latest_frame(), 3);
  EXPECT_TRUE(solid_rows(4, 1, ink).empty());
  EXPECT_EQ(solid_rows(6, 1, ink), std::vector<int32_t>{14});
}

TEST_F(DisplayTest, HeldCursorShowsOnTheNextRowButNotBelowTheLast) {
  page()->cursor_visible = 1;
  page()->cursor_start = 0;
  page()->cursor_stop = 15;  // top from line 0 to the bottom
  page()->cursor_held = 2;
  rt::set_frame_counter(8);
  put_cell(0, 3, ' ', 0x0A);
  put_cell(0, 24, ' ', 0x0A);
  put_cell(79, 24, ' ', 0x0A);
  const uint32_t ink = page()->palette[10];

  page()->cursor_x = 80;
  page()->cursor_y = 3;
  rt::compose_frame();
  EXPECT_EQ(solid_rows(0, 3, ink).size(), 16u);

  page()->cursor_y = 25;
  rt::compose_frame();
  EXPECT_TRUE(solid_rows(0, 3, ink).empty());
  EXPECT_TRUE(solid_rows(0, 24, ink).empty());
  EXPECT_EQ(solid_rows(79, 24, ink).size(), 16u);
}

TEST_F(DisplayTest, CursorOutsideThePageIsNotDrawn) {
  page()->cursor_visible = 1;
  page()->cursor_x = 300;
  page()->cursor_y = -4;
  rt::set_frame_counter(8);
  rt::compose_frame();
  ASSERT_EQ(rt::latest_frame(), 1);
  expect_text_frame_matches_page(true);
}

// ---- graphics pages ------------------------------------------------------------

TEST_F(DisplayTest, Mode12PageIsLookedUpInItsPalette) {
  set_mode(12);
  ASSERT_FALSE(rt::error_pending());
  for (int32_t i = 0; i < 640 * 480; ++i) page()->pixels[i] = static_cast<uint8_t>((i / 7) % 16);
  rt::compose_frame();
  ASSERT_EQ(rt::latest_frame(), 1);
  ASSERT_EQ(latest().width, 640);
  ASSERT_EQ(latest().height, 480);
  int mismatches = 0;
  for (int32_t i = 0; i < 640 * 480; ++i)
    if (latest().pixels[i] != page()->palette[page()->pixels[i]]) ++mismatches;
  EXPECT_EQ(mismatches, 0);

  rt::compose_frame();  // nothing changed
  EXPECT_EQ(rt::latest_frame(), 1);
  page()->palette[3] = 0xFF123456;  // only the palette changes
  rt::compose_frame();
  ASSERT_EQ(rt::latest_frame(), 2);
  EXPECT_EQ(pixel(21, 0), 0xFF123456u);
  page()->palette[200] = 0xFF654321;  // beyond the 16 colours in use: no frame
  rt::compose_frame();
  EXPECT_EQ(rt::latest_frame(), 2);
  page()->pixels[640 * 479 + 639] = 9;
  rt::compose_frame();
  ASSERT_EQ(rt::latest_frame(), 3);
  EXPECT_EQ(pixel(639, 479), page()->palette[9]);
}

TEST_F(DisplayTest, ModeChangeComposesAFreshFrameOfTheNewSize) {
  rt::compose_frame();
  set_mode(12);
  rt::compose_frame();  // the pixels are all 0, but the frame must still be made
  ASSERT_EQ(rt::latest_frame(), 2);
  EXPECT_EQ(latest().width, 640);
  EXPECT_EQ(latest().height, 480);
  set_mode(0);
  rt::compose_frame();
  ASSERT_EQ(rt::latest_frame(), 3);
  EXPECT_EQ(latest().height, 400);
  expect_text_frame_matches_page(false);
}

TEST_F(DisplayTest, Mode10ShowsThePseudoColoursOfTheClockPhase) {
  set_mode(10);
  ASSERT_FALSE(rt::error_pending());
  for (int i = 0; i < 4; ++i) page()->palette[4 + i] = static_cast<uint32_t>(i * 2 + 1);
  for (int64_t now : {0, 512}) {
    host::set_clock_hook([now] { return now; });
    rt::compose_frame();
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(page()->palette[i], rt::mode10_pseudo_color(i * 2 + 1, now == 512 ? 1 : 0)) << i;
  }
}

TEST_F(DisplayTest, ThirtyTwoBitPageIsCopiedAsItIs) {
  rt::Image saved = *page();
  uint32_t colors[4 * 3] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0xFFFFFFFF};
  page()->mode = 32;
  page()->bits_per_pixel = 32;
  page()->width = 4;
  page()->height = 3;
  page()->pixels = reinterpret_cast<uint8_t*>(colors);
  rt::compose_frame();
  rt::compose_frame();  // no change detection: every pass is a frame
  *page() = saved;
  ASSERT_EQ(rt::latest_frame(), 2);
  EXPECT_EQ(latest().width, 4);
  EXPECT_EQ(std::memcmp(latest().pixels, colors, sizeof colors), 0);
}

// ---- pause handshake and hand-over ---------------------------------------------

TEST_F(DisplayTest, PausedComposerAcknowledgesAndComposesNothing) {
  rt::display_pause_request.store(1);
  rt::auto_display.store(-1);
  rt::compose_frame();
  EXPECT_EQ(rt::display_pause_request.load(), 2u);
  EXPECT_EQ(rt::latest_frame(), 0);
  EXPECT_EQ(rt::auto_display.load(), 0);
  rt::compose_frame();
  EXPECT_EQ(rt::latest_frame(), 0);
  rt::display_pause_request.store(0);
  rt::compose_frame();
  EXPECT_EQ(rt::latest_frame(), 1);
}

// ---- the ring ------------------------------------------------------------------

void change_and_compose(int32_t i) {
  rt::display_page()->pixels[0] = static_cast<uint8_t>('A' + i % 26);
  rt::compose_frame();
}

TEST_F(DisplayTest, FullRingDropsFramesUntilTheWindowCatchesUp) {
  for (int32_t i = 1; i <= 64; ++i) {
    change_and_compose(i);
    ASSERT_EQ(rt::latest_frame(), i);
  }
  rt::auto_display.store(-1);
  change_and_compose(65);
  EXPECT_EQ(rt::latest_frame(), 64);  // dropped: 64 frames nobody has seen
  EXPECT_EQ(rt::oldest_frame(), 1);
  EXPECT_EQ(rt::auto_display.load(), -1);  // the hand-over waits for a frame

  window_draws();
  uint32_t* reusable = rt::frame_slot(61).pixels;
  change_and_compose(66);
  EXPECT_EQ(rt::latest_frame(), 1);
  EXPECT_EQ(rt::auto_display.load(), 0);
  // Superseded frames are freed except the newest and the three before it; the
  // oldest of those gives its buffer to the new frame.
  for (int32_t s = 2; s <= 61; ++s) EXPECT_EQ(rt::frame_slot(s).pixels, nullptr) << s;
  EXPECT_EQ(rt::frame_slot(1).pixels, reusable);
  EXPECT_EQ(rt::oldest_frame(), 62);
  EXPECT_EQ(rt::frame_slot(1).shown.load(), 0);
  EXPECT_EQ(rt::frame_slot(1).drawn.load(), 0);
}

TEST_F(DisplayTest, WindowMarksOnlyFramesOlderThanTheNewest) {
  window_draws();  // nothing yet: nothing to mark
  for (int32_t i = 1; i <= 5; ++i) change_and_compose(i);
  window_draws();
  for (int32_t s = 1; s <= 4; ++s) EXPECT_EQ(rt::frame_slot(s).shown.load(), 1) << s;
  EXPECT_EQ(rt::frame_slot(5).shown.load(), 0);
  EXPECT_EQ(rt::frame_slot(6).shown.load(), 0);
}

TEST_F(DisplayTest, BufferOfADifferentSizeIsNotRecycled) {
  for (int32_t i = 1; i <= 5; ++i) change_and_compose(i);
  window_draws();
  set_mode(12);
  rt::compose_frame();
  ASSERT_EQ(rt::latest_frame(), 6);
  EXPECT_EQ(latest().byte_size, 640 * 480 * 4);
  EXPECT_NE(rt::frame_slot(2).pixels, nullptr);  // one of the four kept frames
  EXPECT_EQ(rt::frame_slot(1).pixels, nullptr);  // reclaimed
}

TEST_F(DisplayTest, SlotThatStillOwnsABufferEndsTheProcess) {
  // Exit codes reach the parent as 8 bits: the hook tells 9090 apart from the rest.
  host::set_exit_hook([](int code) { std::_Exit(code == 9090 ? 90 : 1); });
  EXPECT_EXIT(
      {
        rt::frame_slot(1).pixels = static_cast<uint32_t*>(std::malloc(16));
        rt::compose_frame();
      },
      ::testing::ExitedWithCode(90), "");
  host::set_exit_hook(nullptr);
}

}  // namespace
