#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "runtime/core/control_words.h"
#include "runtime/core/low_memory.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/screen_state.h"
#include "tests/runtime/screen/screen_fixture.h"

namespace rt::test {
namespace {

constexpr int32_t kMode = 1, kActive = 4, kVisual = 8;

void select_mode(int32_t mode) { set_screen_mode(mode, 0, 0, 0, 0, kMode); }
Image* page(int32_t n) { return image_record(page_slot(n)); }
bool in_video_memory(const Image* image, uint32_t offset) {
  return image->pixels == low_memory_at(kTextVideoMemory + offset);
}

using ScreenStateTest = ScreenTest;

TEST_F(ScreenStateTest, StartUpGivesEightTextPagesInVideoMemory) {
  EXPECT_TRUE(first_screen_pending());
  EXPECT_EQ(image_record(0)->valid, 0);
  EXPECT_EQ(image_record(1)->valid, 0);
  ASSERT_EQ(page_table_length(), 8);
  for (int32_t i = 0; i < 8; ++i) {
    const Image* p = page(i);
    EXPECT_EQ(p->width, 80);
    EXPECT_EQ(p->height, 25);
    EXPECT_EQ(p->font, 16u);
    EXPECT_EQ(p->flags & IS_PAGE, IS_PAGE);
    EXPECT_EQ(p->flags & OWNS_PIXELS, 0u);
    EXPECT_TRUE(in_video_memory(p, i * 4096)) << "page " << i;
  }
  const Image* zero = page(0);
  EXPECT_EQ(zero->is_text, 1);
  EXPECT_EQ(zero->cursor_visible, 0);
  EXPECT_EQ(zero->foreground, 7u);
  EXPECT_EQ(zero->text_bottom, 24);
  EXPECT_EQ(zero->palette[7], vga_color(7) );
  EXPECT_EQ(destination(), zero);
  EXPECT_EQ(source(), zero);
  EXPECT_EQ(display_page(), zero);
  for (uint32_t i = 0; i < kTextVideoMemorySize; i += 2) {
    ASSERT_EQ(low_memory_read_u16(kTextVideoMemory + i), 0x0720) << i;
  }
}

TEST_F(ScreenStateTest, Mode12FromStartUpScreen) {
  select_mode(12);
  ASSERT_EQ(pending_error(), 0u);
  EXPECT_FALSE(first_screen_pending());
  EXPECT_EQ(page_table_length(), 1);
  const Image* zero = page(0);
  EXPECT_EQ(zero->width, 640);
  EXPECT_EQ(zero->height, 480);
  EXPECT_EQ(zero->bytes_per_pixel, 1);
  EXPECT_EQ(zero->bits_per_pixel, 4);
  EXPECT_EQ(zero->color_mask, 15u);
  EXPECT_EQ(zero->foreground, 15u);
  EXPECT_EQ(zero->background, 0u);
  EXPECT_EQ(zero->draw_color, 15u);
  EXPECT_EQ(zero->font, 16u);
  EXPECT_EQ(zero->text_top, 1);
  EXPECT_EQ(zero->text_bottom, 29);
  EXPECT_EQ(zero->cursor_x, 1);
  EXPECT_EQ(zero->cursor_y, 1);
  EXPECT_EQ(zero->graphics_x, 320.0f);
  EXPECT_EQ(zero->view_y2, 479);
  EXPECT_EQ(zero->flags, uint32_t{OWNS_PALETTE | IS_PAGE | OWNS_PIXELS});
  for (int i = 0; i < 16; ++i) EXPECT_EQ(zero->palette[i], vga_color(i)) << i;
  EXPECT_EQ(zero->palette[16], 0u);
  EXPECT_EQ(display_page(), zero);
  EXPECT_EQ(destination(), zero);
  // The eight text pages went back to the free list; page 0 took one of them.
  EXPECT_EQ(free_slot_count(), 7);
}

TEST_F(ScreenStateTest, CopyPageCreatesPageOneSharingThePalette) {
  select_mode(12);
  Image* zero = page(0);
  for (int i = 0; i < 640 * 480; ++i) zero->pixels[i] = static_cast<uint8_t>(i % 16);
  copy_page(0, 1);
  ASSERT_EQ(pending_error(), 0u);
  Image* one = page(1);
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(one->width, 640);
  EXPECT_EQ(one->height, 480);
  EXPECT_EQ(one->mode, 12);
  EXPECT_EQ(one->palette, zero->palette);
  EXPECT_EQ(one->flags, uint32_t{IS_PAGE | OWNS_PIXELS});
  EXPECT_EQ(std::memcmp(one->pixels, zero->pixels, 640 * 480), 0);

  // Copying back restores the pixels but not the cursor.
  std::memset(zero->pixels, 9, 640 * 480);
  zero->cursor_x = 17;
  zero->cursor_y = 4;
  copy_page(1, 0);
  EXPECT_EQ(zero->pixels[5], 5);
  EXPECT_EQ(zero->pixels[640 * 480 - 1], (640 * 480 - 1) % 16);
  EXPECT_EQ(zero->cursor_x, 17);
  EXPECT_EQ(zero->cursor_y, 4);
  EXPECT_EQ(display_page(), zero);
}

TEST_F(ScreenStateTest, SelectingTheShownModeChangesNothing) {
  select_mode(12);
  Image* zero = page(0);
  zero->pixels[100] = 4;
  zero->foreground = 3;
  zero->cursor_x = 9;
  previous_frame_valid.store(1);
  ScreenSnapshot before = ScreenSnapshot::take();
  select_mode(12);
  EXPECT_EQ(pending_error(), 0u);
  EXPECT_TRUE(ScreenSnapshot::take() == before);
  EXPECT_EQ(previous_frame_valid.load(), 1);
  select_mode(13);
  EXPECT_EQ(previous_frame_valid.load(), 0);
}

TEST_F(ScreenStateTest, FirstScreenPendingSurvivesOnlyAPlainTextModeCall) {
  select_mode(0);
  EXPECT_TRUE(first_screen_pending());
  set_screen_mode(0, 0, 0, 0, 0, kMode | kActive);
  EXPECT_FALSE(first_screen_pending());
}

TEST_F(ScreenStateTest, TextScreenSizesAndTheirPagesInVideoMemory) {
  struct Case {
    int32_t columns, rows, font, page_bytes, pages_in_video_memory;
  };
  const Case cases[] = {
      {80, 50, 8, 8000, 8}, {40, 25, 17, 2048, 8}, {80, 43, 14, 6880, 8},
      {40, 50, 9, 4000, 8}, {80, 60, 8, 9600, 6}, {80, 25, 16, 4096, 8},
  };
  for (const Case& c : cases) {
    set_text_dimensions(0, c.columns, c.rows, 3);
    ASSERT_EQ(pending_error(), 0u) << c.columns << "x" << c.rows;
    ASSERT_EQ(page_table_length(), 8);
    for (int32_t i = 0; i < 8; ++i) {
      const Image* p = page(i);
      EXPECT_EQ(p->width, c.columns);
      EXPECT_EQ(p->height, c.rows);
      EXPECT_EQ(p->font, static_cast<uint32_t>(c.font)) << c.columns << "x" << c.rows;
      bool shared = i < c.pages_in_video_memory;
      EXPECT_EQ(in_video_memory(p, i * c.page_bytes), shared) << c.columns << "x" << c.rows << " page " << i;
      EXPECT_EQ((p->flags & OWNS_PIXELS) != 0, !shared);
    }
    EXPECT_EQ(display_page(), page(0));
  }
}

TEST_F(ScreenStateTest, TextModeRemembersTheOldShapeWhenOnlyOneValueIsPending) {
  set_text_dimensions(0, 40, 50, 3);
  select_mode(12);
  set_text_dimensions(0, 0, 43, 2);  // rows alone on a graphics screen: text with 43 rows
  ASSERT_EQ(pending_error(), 0u);
  EXPECT_EQ(page(0)->is_text, 1);
  EXPECT_EQ(page(0)->width, 80);
  EXPECT_EQ(page(0)->height, 43);
  EXPECT_EQ(page(0)->font, 14u);
  set_text_dimensions(0, 40, 0, 1);  // columns alone keep the 43 rows
  EXPECT_EQ(page(0)->width, 40);
  EXPECT_EQ(page(0)->height, 43);
  EXPECT_EQ(page(0)->font, 15u);
}

TEST_F(ScreenStateTest, GraphicsFontFollowsTheAskedGridAndSurvivesAModeChange) {
  select_mode(12);
  copy_page(0, 1);
  set_text_dimensions(0, 80, 60, 3);
  ASSERT_EQ(pending_error(), 0u);
  EXPECT_EQ(page(0)->font, 8u);
  EXPECT_EQ(page(0)->text_bottom, 59);
  EXPECT_EQ(page_slot(1), 0) << "pages above 0 go with a font change";
  select_mode(11);
  EXPECT_EQ(page(0)->font, 8u) << "an 80 x 60 screen keeps the 8-line font";
  select_mode(12);
  EXPECT_EQ(page(0)->font, 8u);
  select_mode(13);
  select_mode(12);
  EXPECT_EQ(page(0)->font, 16u);
  EXPECT_EQ(page(0)->text_bottom, 29);
  // 43 rows on a 350-line screen are drawn with the 8-line font.
  select_mode(9);
  set_text_dimensions(0, 0, 43, 2);
  EXPECT_EQ(page(0)->font, 8u);
  select_mode(10);
  EXPECT_EQ(page(0)->font, 8u);
}

TEST_F(ScreenStateTest, ActivePageAloneAlsoBecomesTheVisualPage) {
  select_mode(12);
  page(0)->view_offset_x = 12;
  page(0)->draw_scale = 2.5;
  set_screen_mode(0, 0, 1, 0, 0, kActive);
  ASSERT_EQ(pending_error(), 0u);
  int32_t one = page_slot(1);
  ASSERT_NE(one, 0);
  EXPECT_EQ(destination_slot(), one);
  EXPECT_EQ(source_slot(), one);
  EXPECT_EQ(display_page_slot(), one);
  EXPECT_EQ(active_page_number(), 1);
  // The graphics state moves with the active page.
  EXPECT_EQ(page(1)->view_offset_x, 12);
  EXPECT_EQ(page(1)->draw_scale, 2.5);
}

TEST_F(ScreenStateTest, VisualPageChangeResetsTheDestinationColoursAndWindow) {
  select_mode(12);
  Image* zero = page(0);
  zero->foreground = 4;
  zero->background = 2;
  zero->text_bottom = 5;
  zero->cursor_y = 12;
  set_screen_mode(0, 0, 0, 1, 0, kVisual);
  ASSERT_EQ(pending_error(), 0u);
  EXPECT_EQ(display_page_slot(), page_slot(1));
  EXPECT_EQ(destination(), zero);
  EXPECT_EQ(zero->foreground, 15u);
  EXPECT_EQ(zero->background, 0u);
  EXPECT_EQ(zero->text_top, 1);
  EXPECT_EQ(zero->text_bottom, 29);
  EXPECT_EQ(zero->cursor_y, 12);
}

TEST_F(ScreenStateTest, RefusedModeCallsChangeNothing) {
  select_mode(12);
  copy_page(0, 1);
  int32_t freed = create_image(8, 8, 12);
  free_image_storage_and_slot(freed);
  struct Case {
    int32_t mode, active, visual, flags;
    ErrorCode error;
  };
  const Case cases[] = {
      {3, 0, 0, kMode, 5},     {4, 0, 0, kMode, 5},         {5, 0, 0, kMode, 5},
      {6, 0, 0, kMode, 5},     {14, 0, 0, kMode, 5},        {256, 0, 0, kMode, 5},
      {12, -1, 0, kActive, 5}, {12, 0, -1, kVisual, 5},      {13, 0, -2, kMode | kVisual, 5},
      {-1, 0, 0, kMode, 258},  {-freed, 0, 0, kMode, 258},       {-image_high_water(), 0, 0, kMode, 258},
      {INT32_MIN, 0, 0, kMode, 258},
      {-page_slot(1), 0, 0, kMode, 5},  // a page of this screen cannot be adopted
  };
  for (const Case& c : cases) {
    ScreenSnapshot before = ScreenSnapshot::take();
    set_screen_mode(c.mode, 0, c.active, c.visual, 0, c.flags);
    EXPECT_EQ(take_error(), c.error) << "mode " << c.mode;
    EXPECT_TRUE(ScreenSnapshot::take() == before) << "mode " << c.mode;
  }
  // While an error is pending every call returns at once.
  raise_error(6);
  ScreenSnapshot before = ScreenSnapshot::take();
  select_mode(13);
  copy_page(0, 2);
  set_text_dimensions(0, 80, 50, 3);
  EXPECT_TRUE(ScreenSnapshot::take() == before);
  EXPECT_EQ(take_error(), 6u);
}

TEST_F(ScreenStateTest, AnOffScreenImageAdoptedAsPageZeroReturnsAtTheNextRebuild) {
  select_mode(12);
  int32_t slot = create_image(200, 100, 32);
  ASSERT_NE(slot, 0);
  select_mode(-slot);
  ASSERT_EQ(pending_error(), 0u);
  EXPECT_EQ(page_slot(0), slot);
  EXPECT_TRUE(page_zero_adopted());
  EXPECT_EQ(display_page_slot(), slot);
  EXPECT_EQ(destination_slot(), slot);
  EXPECT_NE(image_record(slot)->flags & IS_PAGE, 0u);
  copy_page(0, 1);  // further pages take the adopted image's shape
  EXPECT_EQ(page(1)->width, 200);
  EXPECT_EQ(page(1)->mode, 32);
  EXPECT_EQ(page(1)->palette, nullptr);
  select_mode(12);
  EXPECT_FALSE(page_zero_adopted());
  EXPECT_EQ(image_record(slot)->valid, 1);
  EXPECT_EQ(image_record(slot)->flags & IS_PAGE, 0u);
  EXPECT_NE(page_slot(0), slot);
}

TEST_F(ScreenStateTest, CopyPageRefusesBadHandlesAndShapes) {
  select_mode(12);
  int32_t small = create_image(320, 200, 12);
  int32_t deep = create_image(640, 480, 256);
  int32_t shallow = create_image(640, 480, 11);
  struct Case {
    int32_t from, to;
  };
  const Case cases[] = {
      {-1, 0}, {0, -77}, {0, -small}, {-deep, 0}, {0, -shallow}, {INT32_MIN, 0},
  };
  for (const Case& c : cases) {
    ScreenSnapshot before = ScreenSnapshot::take();
    copy_page(c.from, c.to);
    EXPECT_EQ(take_error(), 5u) << c.from << " -> " << c.to;
    EXPECT_TRUE(ScreenSnapshot::take() == before) << c.from << " -> " << c.to;
  }
  // A deeper target takes a shallower source.
  image_record(shallow)->pixels[3] = 1;
  copy_page(-shallow, -deep);
  EXPECT_EQ(take_error(), 0u);
  EXPECT_EQ(image_record(deep)->pixels[3], 1);
  copy_page(0, 0);
  EXPECT_EQ(take_error(), 0u);
}

TEST_F(ScreenStateTest, RefusedTextDimensionsChangeNothing) {
  select_mode(12);
  struct Case {
    int32_t device, columns, rows, flags;
  };
  const Case cases[] = {
      {1, 80, 25, 3},  {0, 80, 25, 0},   {0, 0, 25, 3},     {0, 80, -4, 3},
      {0, 33, 0, 1},   {0, 0, 33, 2},    {0, 81, 25, 3},    {0, 80, 26, 3},
      {2, 0, 0, 1},    {2, 256, 0, 1},   {2, 80, 5, 3},     {0, 70000, 0, 1},
  };
  for (const Case& c : cases) {
    ScreenSnapshot before = ScreenSnapshot::take();
    set_text_dimensions(c.device, c.columns, c.rows, c.flags);
    EXPECT_EQ(take_error(), 5u) << c.device << " " << c.columns << "x" << c.rows;
    before.first_screen_pending = rt::first_screen_pending();
    EXPECT_TRUE(ScreenSnapshot::take() == before) << c.device << " " << c.columns << "x" << c.rows;
  }
  set_text_dimensions(2, 132, 0, 1);
  EXPECT_EQ(take_error(), 0u);
  EXPECT_EQ(printer_width(), 132);
}

TEST_F(ScreenStateTest, TextDimensionsResizeAnOffScreenDestination) {
  int32_t slot = create_image(64, 32, 32);
  select_destination(slot);
  Image* image = image_record(slot);
  image->foreground = 0xFF112233u;
  image->pixels[0] = 0xAB;
  set_text_dimensions(0, 10, 0, 1);
  ASSERT_EQ(take_error(), 0u);
  EXPECT_EQ(image->width, 80);
  EXPECT_EQ(image->height, 32);
  EXPECT_EQ(image->pixels[0], 0);
  EXPECT_EQ(image->foreground, 0xFF112233u);
  EXPECT_EQ(image->text_bottom, 1);
  EXPECT_EQ(image->view_x2, 79);
  set_text_dimensions(0, 10, 0, 1);  // same size: nothing to do
  EXPECT_EQ(take_error(), 0u);
}

TEST_F(ScreenStateTest, ModeChangeWaitsForARunningComposerOnly) {
  // Not running: the mode change neither waits nor leaves the word set.
  auto_display.store(1);
  select_mode(12);
  EXPECT_EQ(display_pause_request.load(), 0u);

  display_ready.store(1);
  std::atomic<int> answers{0};
  std::atomic<bool> stop{false};
  std::thread composer([&] {
    while (!stop.load()) {
      uint32_t expected = 1;
      if (display_pause_request.compare_exchange_strong(expected, 2)) answers.fetch_add(1);
      std::this_thread::yield();
    }
  });
  select_mode(13);
  stop.store(true);
  composer.join();
  display_ready.store(0);
  auto_display.store(0);
  EXPECT_EQ(answers.load(), 1);
  EXPECT_EQ(display_pause_request.load(), 0u);
  EXPECT_EQ(page(0)->mode, 13);
  EXPECT_EQ(page(0)->pixels, low_memory_at(kMode13Pixels));
}

TEST_F(ScreenStateTest, PagesBeyondAnyPossibleStorageAreRefused) {
  select_mode(12);
  ScreenSnapshot before = ScreenSnapshot::take();
  copy_page(0, INT32_MAX);
  EXPECT_EQ(take_error(), 7u);
  EXPECT_TRUE(ScreenSnapshot::take() == before);
}

}  // namespace
}  // namespace rt::test
