#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "runtime/screen/font_ops.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/offscreen_images.h"
#include "runtime/screen/screen_state.h"
#include "tests/runtime/screen/screen_fixture.h"

namespace rt::test {
namespace {

void select_mode(int32_t mode) { set_screen_mode(mode, 0, 0, 0, 0, 1); }

class OffscreenImagesTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    select_mode(12);
  }
};

TEST_F(OffscreenImagesTest, HandlesNeverIssuedOrFreedAreRefusedEverywhere) {
  int32_t freed = new_image(10, 10, 12, 1);
  free_image(freed, 1);
  ASSERT_EQ(take_error(), 0u);
  const std::vector<std::pair<std::string, std::function<void(int32_t)>>> operations = {
      {"copy_image", [](int32_t h) { EXPECT_EQ(copy_image(h, 1), 0); }},
      {"free_image", [](int32_t h) { free_image(h, 1); }},
      {"set_source", [](int32_t h) { set_source(h); }},
      {"set_destination", [](int32_t h) { set_destination(h); }},
      {"image_pixel_size", [](int32_t h) { EXPECT_EQ(image_pixel_size(h, 1), 0); }},
      {"image_font", [](int32_t h) { EXPECT_EQ(image_font(h, 1), 0); }},
      {"image_default_foreground", [](int32_t h) { EXPECT_EQ(image_default_foreground(h, 1), 0u); }},
      {"image_default_background", [](int32_t h) { EXPECT_EQ(image_default_background(h, 1), 0u); }},
      {"image_transparent_color", [](int32_t h) { EXPECT_EQ(image_transparent_color(h, 1), 0); }},
      {"image_blending", [](int32_t h) { EXPECT_EQ(image_blending(h, 1), 0); }},
      {"image_width", [](int32_t h) { EXPECT_EQ(image_width(h, 1), 0); }},
      {"image_height", [](int32_t h) { EXPECT_EQ(image_height(h, 1), 0); }},
      {"enable_blending", [](int32_t h) { enable_blending(h, 1); }},
      {"disable_blending", [](int32_t h) { disable_blending(h, 1); }},
      {"set_transparent_color", [](int32_t h) { set_transparent_color(3, h, 2 | 4); }},
  };
  for (int32_t handle : {-1, freed, -image_high_water(), INT32_MIN}) {
    for (const auto& [name, operation] : operations) {
      ScreenSnapshot before = ScreenSnapshot::take();
      operation(handle);
      EXPECT_EQ(take_error(), 258u) << name << " " << handle;
      EXPECT_TRUE(ScreenSnapshot::take() == before) << name << " " << handle;
    }
  }
}

TEST_F(OffscreenImagesTest, FreeingTheSelectedImagesFallsBackToTheDisplayPage) {
  int32_t a = new_image(32, 32, 12, 1);
  int32_t b = new_image(32, 32, 12, 1);
  set_destination(a);
  set_source(b);
  EXPECT_EQ(get_destination(), a);
  EXPECT_EQ(get_source(), b);
  EXPECT_EQ(get_display(), -page_slot(0));
  free_image(0, 0);  // the destination by default
  EXPECT_EQ(take_error(), 0u);
  EXPECT_EQ(get_destination(), get_display());
  EXPECT_EQ(get_source(), b);
  free_image(b, 1);
  EXPECT_EQ(get_source(), get_display());
  EXPECT_FALSE(is_valid_handle(a));
  EXPECT_FALSE(is_valid_handle(b));
}

TEST_F(OffscreenImagesTest, WidthsOfTextAndGraphicsScreens) {
  EXPECT_EQ(image_width(0, 0), 640);
  EXPECT_EQ(image_height(0, 1), 480);
  EXPECT_EQ(image_pixel_size(0, 0), 1);
  select_mode(0);
  EXPECT_EQ(image_width(0, 0), 80);
  EXPECT_EQ(image_height(3, 1), 25);
  EXPECT_EQ(image_pixel_size(0, 0), 0);
  EXPECT_EQ(image_pixel_size(new_image(3, 3, 32, 1), 1), 4);
  EXPECT_EQ(take_error(), 0u);
}

TEST_F(OffscreenImagesTest, NewImageWithoutAModeTakesTheDestinationsLook) {
  Image* d = destination();
  d->palette[3] = 0x123456;
  d->foreground = 4;
  d->background = 2;
  d->transparent_color = 9;
  set_font(8, 0, 0);
  int32_t handle = new_image(100, 50, 0, 0);
  ASSERT_LT(handle, 0);
  const Image* image = image_record(-handle);
  EXPECT_EQ(image->mode, 12);
  EXPECT_EQ(image->width, 100);
  EXPECT_EQ(image->palette[3], 0x123456u);
  EXPECT_NE(image->palette, d->palette);
  EXPECT_EQ(image->font, 8u);
  EXPECT_EQ(image->foreground, 4u);
  EXPECT_EQ(image->background, 2u);
  EXPECT_EQ(image->transparent_color, 9);
  EXPECT_EQ(image->flags & IS_PAGE, 0u);
  EXPECT_EQ(image_font(handle, 1), 8);
  EXPECT_EQ(image_default_foreground(handle, 1), 4u);
  EXPECT_EQ(take_error(), 0u);
}

TEST_F(OffscreenImagesTest, NewImageRefusesBadSizesAndModes) {
  struct Case {
    int32_t width, height, mode, mode_given;
  };
  const Case cases[] = {
      {0, 10, 12, 1}, {10, 0, 12, 1}, {-5, 10, 0, 0}, {10, 70000, 32, 1}, {10, 10, 3, 1},
      {10, 10, 6, 1}, {10, 10, 14, 1}, {10, 10, 255, 1}, {10, 10, 33, 1}, {10, 10, -1, 1},
  };
  for (const Case& c : cases) {
    ScreenSnapshot before = ScreenSnapshot::take();
    EXPECT_EQ(new_image(c.width, c.height, c.mode, c.mode_given), 0);
    EXPECT_EQ(take_error(), 5u) << c.width << "x" << c.height << " mode " << c.mode;
    EXPECT_TRUE(ScreenSnapshot::take() == before);
  }
  for (int32_t mode : {0, 1, 2, 7, 8, 9, 10, 11, 12, 13, 256, 32}) {
    EXPECT_LT(new_image(4, 4, mode, 1), 0) << mode;
  }
  EXPECT_EQ(take_error(), 0u);
}

TEST_F(OffscreenImagesTest, PagesAndNonNegativeValuesCannotBeFreed) {
  copy_page(0, 1);
  for (int32_t ref : {0, 1, 5}) {
    ScreenSnapshot before = ScreenSnapshot::take();
    free_image(ref, 1);
    EXPECT_EQ(take_error(), 5u) << ref;
    EXPECT_TRUE(ScreenSnapshot::take() == before);
  }
  free_image(-page_slot(1), 1);
  EXPECT_EQ(take_error(), 5u);
  free_image(0, 0);  // the destination is page 0
  EXPECT_EQ(take_error(), 5u);
  EXPECT_EQ(image_record(page_slot(1))->valid, 1);
}

TEST_F(OffscreenImagesTest, CopyImageDuplicatesPixelsAndPalette) {
  Image* zero = destination();
  zero->pixels[1234] = 7;
  zero->cursor_x = 11;
  int32_t copy = copy_image(0, 0);
  ASSERT_LT(copy, 0);
  const Image* image = image_record(-copy);
  EXPECT_EQ(image->pixels[1234], 7);
  EXPECT_NE(image->pixels, zero->pixels);
  EXPECT_NE(image->palette, zero->palette);
  EXPECT_EQ(image->palette[9], zero->palette[9]);
  EXPECT_EQ(image->cursor_x, 11);
  EXPECT_EQ(image->flags, uint32_t{OWNS_PIXELS | OWNS_PALETTE});
  int32_t deep = copy_image(new_image(5, 5, 32, 1), 1);
  EXPECT_EQ(image_record(-deep)->palette, nullptr);
  EXPECT_EQ(image_record(-deep)->flags, uint32_t{OWNS_PIXELS});
  // A text page copied becomes an off-screen text image.
  select_mode(0);
  int32_t text = copy_image(0, 0);
  EXPECT_EQ(image_record(-text)->is_text, 1);
  EXPECT_EQ(image_record(-text)->flags & IS_PAGE, 0u);
  free_image(text, 1);
  EXPECT_EQ(take_error(), 0u);
}

TEST_F(OffscreenImagesTest, FreeAllImagesKeepsThePages) {
  copy_page(0, 1);
  int32_t a = new_image(8, 8, 12, 1);
  new_image(8, 8, 32, 1);
  set_destination(a);
  free_all_images();
  EXPECT_EQ(take_error(), 0u);
  EXPECT_EQ(get_destination(), get_display());
  EXPECT_EQ(image_record(page_slot(0))->valid, 1);
  EXPECT_EQ(image_record(page_slot(1))->valid, 1);
  EXPECT_FALSE(is_valid_handle(a));
}

TEST_F(OffscreenImagesTest, TransparentColours) {
  int32_t palette_image = new_image(4, 4, 13, 1);
  int32_t deep = new_image(2, 2, 32, 1);
  int32_t text = new_image(10, 2, 0, 1);
  EXPECT_EQ(image_transparent_color(palette_image, 1), -1);
  set_transparent_color(200, palette_image, 2 | 4);
  EXPECT_EQ(image_transparent_color(palette_image, 1), 200);
  set_transparent_color(0, palette_image, 1 | 4);
  EXPECT_EQ(image_transparent_color(palette_image, 1), -1);

  auto* pixels = reinterpret_cast<uint32_t*>(image_record(-deep)->pixels);
  pixels[0] = 0xFF102030u;
  pixels[1] = 0x80102030u;
  pixels[2] = 0xFF102031u;
  set_transparent_color(0x55102030u, deep, 2 | 4);
  EXPECT_EQ(pixels[0], 0x00102030u);
  EXPECT_EQ(pixels[1], 0x00102030u);
  EXPECT_EQ(pixels[2], 0xFF102031u);
  set_transparent_color(0, deep, 1 | 4);
  EXPECT_EQ(image_transparent_color(deep, 1), 0);
  set_transparent_color(0, text, 1 | 4);
  EXPECT_EQ(image_transparent_color(text, 1), -1);
  EXPECT_EQ(take_error(), 0u);

  struct Case {
    uint32_t colour;
    int32_t ref, flags;
  };
  const Case refused[] = {
      {256, palette_image, 2 | 4}, {0xFFFFFFFF, palette_image, 2 | 4}, {1, palette_image, 1 | 2 | 4},
      {1, palette_image, 4},       {1, text, 2 | 4},                    {1, 0, 0},
  };
  for (const Case& c : refused) {
    ScreenSnapshot before = ScreenSnapshot::take();
    set_transparent_color(c.colour, c.ref, c.flags);
    EXPECT_EQ(take_error(), 5u) << c.colour << " flags " << c.flags;
    EXPECT_TRUE(ScreenSnapshot::take() == before);
  }
}

TEST_F(OffscreenImagesTest, BlendingOnlyOn32BitImages) {
  int32_t deep = new_image(2, 2, 32, 1);
  EXPECT_EQ(image_blending(deep, 1), -1);
  EXPECT_EQ(image_default_foreground(deep, 1), 0xFFFFFFFFu);
  EXPECT_EQ(image_default_background(deep, 1), 0xFF000000u);
  disable_blending(deep, 1);
  EXPECT_EQ(image_blending(deep, 1), 0);
  enable_blending(deep, 1);
  EXPECT_EQ(image_blending(deep, 1), -1);
  disable_blending(0, 0);  // a palette page: ignored
  EXPECT_EQ(take_error(), 0u);
  EXPECT_EQ(image_blending(0, 0), 0);
  ScreenSnapshot before = ScreenSnapshot::take();
  enable_blending(0, 0);
  EXPECT_EQ(take_error(), 5u);
  EXPECT_TRUE(ScreenSnapshot::take() == before);
}

TEST_F(OffscreenImagesTest, SelectionsCreatePagesOnDemandButLeaveTheDisplay) {
  int32_t display = get_display();
  set_destination(3);
  EXPECT_EQ(take_error(), 0u);
  EXPECT_NE(page_slot(3), 0);
  EXPECT_EQ(get_destination(), -page_slot(3));
  set_source(2);
  EXPECT_EQ(get_source(), -page_slot(2));
  EXPECT_EQ(get_display(), display);
}

// Many images created and freed at random against a model of the live handles: freed
// slots come back last-freed-first, records never move, and nothing leaks.
TEST_F(OffscreenImagesTest, RandomCreationAndFreeing) {
  std::mt19937 random(20240611);
  std::map<int32_t, const Image*> live;  // handle -> record address when created
  std::vector<int32_t> freed_order;
  for (int step = 0; step < 20000; ++step) {
    bool create = live.empty() || random() % 100 < 75;
    if (create) {
      int32_t expected = freed_order.empty() ? 0 : freed_order.back();
      int32_t mode = (random() % 2) ? 32 : 13;
      int32_t handle = new_image(1 + random() % 8, 1 + random() % 8, mode, 1);
      ASSERT_LT(handle, 0);
      ASSERT_EQ(live.count(handle), 0u);
      if (expected != 0) {
        ASSERT_EQ(handle, expected) << "the last freed slot is reused first";
        freed_order.pop_back();
      }
      live[handle] = image_record(-handle);
    } else {
      auto it = live.begin();
      std::advance(it, random() % live.size());
      int32_t handle = it->first;
      ASSERT_EQ(image_record(-handle), it->second) << "records never move";
      free_image(handle, 1);
      ASSERT_EQ(take_error(), 0u);
      live.erase(it);
      freed_order.push_back(handle);
    }
  }
  EXPECT_GT(image_table_capacity(), 4096) << "the table grew past its first block";
  EXPECT_EQ(image_table_capacity() % 4096, 0);
  for (const auto& [handle, record] : live) {
    EXPECT_EQ(image_record(-handle), record);
    EXPECT_TRUE(is_valid_handle(handle));
  }
  free_all_images();
  // Every slot but the two reserved ones and page 0 is free again.
  EXPECT_EQ(free_slot_count(), image_high_water() - 3);
  EXPECT_EQ(take_error(), 0u);
}

}  // namespace
}  // namespace rt::test
