// A freshly started screen per test, and a snapshot to show that a refused call
// changed nothing.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runtime/core/control_words.h"
#include "runtime/core/errors.h"
#include "runtime/core/low_memory.h"
#include "runtime/screen/screen_state.h"

namespace rt::test {

class ScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    initialise_low_memory();
    clear_pending_error();
    auto_display.store(0);
    display_ready.store(0);
    display_pause_request.store(0);
    initialise_screen();
    ASSERT_EQ(pending_error(), 0u);
  }

  // The pending error, cleared so that the next call runs.
  static ErrorCode take_error() {
    ErrorCode code = pending_error();
    clear_pending_error();
    return code;
  }
};

struct ScreenSnapshot {
  std::vector<uint8_t> records;  // every record up to the high-water count
  std::vector<int32_t> pages;
  std::vector<uint8_t> page_zero_pixels;
  std::vector<uint32_t> page_zero_palette;
  int32_t high_water = 0;
  int32_t free_slots = 0;
  int32_t destination = 0;
  int32_t source = 0;
  int32_t display = 0;
  bool first_screen_pending = false;

  static ScreenSnapshot take() {
    ScreenSnapshot s;
    s.high_water = image_high_water();
    s.free_slots = free_slot_count();
    for (int32_t slot = 0; slot < s.high_water; ++slot) {
      const auto* bytes = reinterpret_cast<const uint8_t*>(image_record(slot));
      s.records.insert(s.records.end(), bytes, bytes + sizeof(Image));
    }
    for (int32_t page = 0; page < page_table_length(); ++page) s.pages.push_back(page_slot(page));
    const Image* zero = image_record(page_slot(0));
    size_t bytes = size_t{zero->width} * zero->height * zero->bytes_per_pixel;
    s.page_zero_pixels.assign(zero->pixels, zero->pixels + bytes);
    if (zero->palette != nullptr) s.page_zero_palette.assign(zero->palette, zero->palette + 256);
    s.destination = destination_slot();
    s.source = source_slot();
    s.display = display_page_slot();
    s.first_screen_pending = rt::first_screen_pending();
    return s;
  }

  bool operator==(const ScreenSnapshot&) const = default;
};

}  // namespace rt::test
