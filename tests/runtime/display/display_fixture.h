// A fresh screen model, keyboard and frame ring for each test, composing on the test's
// own thread unless a test starts a refresh loop of its own.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "runtime/core/control_words.h"
#include "runtime/core/errors.h"
#include "runtime/core/low_memory.h"
#include "runtime/display/keyboard.h"
#include "runtime/display/refresh.h"
#include "runtime/host/host.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/screen_state.h"

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::set_host_key_state_hook([] { return host::HostKeyState{}; });
    rt::clear_pending_error();
    rt::initialise_low_memory();
    rt::initialise_keyboard();
    rt::initialise_screen();
    rt::clear_frame_ring();
    rt::previous_frame_valid.store(0);
    rt::display_pause_request.store(0);
    rt::auto_display.store(0);  // manual: compose_frame runs where it is called
    rt::set_frame_counter(0);
  }
  void TearDown() override {
    stop_refresh_loop();
    host::set_host_key_state_hook(nullptr);
    host::set_clock_hook(nullptr);
  }

  // A refresh thread without the exit sequence's end of the process.
  void start_refresh_loop() {
    running_ = true;
    refresher_ = std::thread([this] {
      while (running_.load()) rt::refresh_pass();
    });
  }
  void stop_refresh_loop() {
    running_ = false;
    if (refresher_.joinable()) refresher_.join();
  }

  static rt::Image* page() { return rt::display_page(); }
  static void set_mode(int32_t mode) { rt::set_screen_mode(mode, 0, 0, 0, 0, 1); }
  static void put_cell(int32_t column, int32_t row, uint8_t character, uint8_t attribute) {
    uint8_t* cell = page()->pixels + (row * page()->width + column) * 2;
    cell[0] = character;
    cell[1] = attribute;
  }
  static const rt::FrameSlot& latest() { return rt::frame_slot(rt::latest_frame()); }
  static uint32_t pixel(int32_t x, int32_t y) { return latest().pixels[y * latest().width + x]; }
  // What the window does after drawing: everything older than the newest is superseded.
  static void window_draws() {
    rt::frame_slot(rt::latest_frame()).drawn.store(1);
    rt::mark_superseded_frames();
  }

  std::atomic<bool> running_{false};
  std::thread refresher_;
};
