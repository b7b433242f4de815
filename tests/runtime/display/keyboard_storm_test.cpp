// Many thousands of presses and releases from the window and refresh threads at once
// while the script thread reads: the queue and the ring stay consistent.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "runtime/core/control_words.h"
#include "runtime/core/low_memory.h"
#include "runtime/display/keyboard.h"
#include "runtime/strings/string_storage.h"

namespace rt {
namespace {

constexpr int kEventsPerThread = 20000;

// Character keys, extended keys and modifiers, as the window thread delivers them.
const std::vector<int32_t> kWindowCodes = {
    'a', 'Z', '1', '!', 8, 9, 13, 27, 32, 0, 200, 0x3B00, 0x4800, 0x8600,
    kKeyInsert, kKeyDelete, kKeyLeftShift, kKeyRightShift, kKeyLeftCtrl, kKeyRightAlt,
    kKeyScrollLock, kKeyPause,
};

uint8_t ring_byte(uint32_t address) {
  return std::atomic_ref<uint8_t>(*low_memory_at(address)).load(std::memory_order_acquire);
}

bool valid_ring_offset(uint8_t offset) {
  return offset % 2 == 0 && offset >= kKeyboardRingFirstOffset &&
         offset < kKeyboardRingLimitOffset;
}

void window_thread_storm() {
  std::mt19937 random(1234);
  std::uniform_int_distribution<size_t> pick(0, kWindowCodes.size() - 1);
  for (int i = 0; i < kEventsPerThread; ++i) {
    const int32_t code = kWindowCodes[pick(random)];
    if (random() % 3 == 0) {
      key_released(code);
    } else {
      key_pressed(code);
    }
  }
}

void refresh_thread_storm() {
  std::mt19937 random(5678);
  for (int i = 0; i < kEventsPerThread; ++i) {
    const uint32_t bits = random();
    sync_lock_keys(bits & 1, bits & 2, bits & 4);
    if (bits & 8) key_pressed(kKeyLeftCtrl);
    if (bits & 16) key_released(kKeyLeftCtrl);
    if (bits & 32) held_key_add(kKeySysRq);
    if (bits & 64) held_key_remove(kKeySysRq);
  }
}

std::set<int32_t> allowed_hit_codes() {
  std::set<int32_t> codes;
  for (int32_t c : kWindowCodes) {
    const int32_t stored = c == 0 ? kKeyZero : c;
    codes.insert(stored);
    codes.insert(-stored);
  }
  for (int32_t c : {kKeyLeftCtrl, kKeyCapsLockState, kKeyNumLockState}) {
    codes.insert(c);
    codes.insert(-c);
  }
  return codes;
}

TEST(KeyboardStorm, QueueAndRingStayConsistentUnderConcurrentKeyEvents) {
  initialise_low_memory();
  initialise_string_storage();
  initialise_keyboard();
  const std::set<int32_t> allowed = allowed_hit_codes();

  std::atomic<int> writers_left{2};
  std::thread window([&] { window_thread_storm(); writers_left--; });
  std::thread refresh([&] { refresh_thread_storm(); writers_left--; });

  long ring_entries = 0;
  long hits = 0;
  const auto read_all_once = [&] {
    ASSERT_TRUE(valid_ring_offset(ring_byte(kKeyboardRingHead)));
    ASSERT_TRUE(valid_ring_offset(ring_byte(kKeyboardRingTail)));
    ASSERT_EQ(ring_byte(kKeyboardRingHead + 1), 0);
    ASSERT_EQ(ring_byte(kKeyboardRingTail + 1), 0);
    const int32_t mark = temporary_mark();
    const StringValue* key = read_key();
    ASSERT_GE(key->length, 0);
    ASSERT_LE(key->length, 2);
    if (key->length == 2) {
      ASSERT_EQ(key->data[0], 0);
    }
    ring_entries += key->length > 0;
    release_temporaries(mark, nullptr);
    const int32_t code = read_key_hit();
    if (code != 0) {
      ASSERT_TRUE(allowed.count(code)) << code;
      ++hits;
    }
  };
  while (writers_left.load() > 0) {
    read_all_once();
    if (HasFatalFailure()) break;
  }
  window.join();
  refresh.join();
  ASSERT_FALSE(HasFatalFailure());

  // What is left fits the ring and the queue, and reads out completely.
  int left_in_ring = 0;
  for (;;) {
    const int32_t mark = temporary_mark();
    const bool empty = read_key()->length == 0;
    release_temporaries(mark, nullptr);
    if (empty) break;
    ++left_in_ring;
  }
  EXPECT_LE(left_in_ring, 15);
  int left_in_queue = 0;
  while (read_key_hit() != 0) ++left_in_queue;
  EXPECT_LE(left_in_queue, 8191);
  EXPECT_GT(hits + left_in_queue, 0);

  const std::vector<int32_t> held = held_keys();
  EXPECT_EQ(std::set<int32_t>(held.begin(), held.end()).size(), held.size());

  // The model still works normally afterwards.
  paused.store(0);
  for (int32_t code : held) key_released(code);
  while (read_key_hit() != 0) {
  }
  key_pressed('q');
  EXPECT_EQ(read_key_hit(), 'q');
  const int32_t mark = temporary_mark();
  const StringValue* key = read_key();
  ASSERT_EQ(key->length, 1);
  EXPECT_EQ(key->data[0], 'q');
  release_temporaries(mark, nullptr);
}

}  // namespace
}  // namespace rt
