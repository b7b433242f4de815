// The keyboard model. Key events arrive on the window thread, lock-key changes on the
// refresh thread; the script thread reads the key-hit queue and the keyboard ring.
//
// Threading: one mutex (KeyboardState::guard) serialises every writer: key_pressed,
// key_released, update_shift_flags and the held-key list. The script thread reads the
// queue and the ring without it:
//  - the ring's tail byte is written only under the guard (release) after the entry's
//    bytes, and its head byte only by read_key (release) after the entry was copied, so
//    each side sees complete entries through the acquire load of the other's index;
//  - the key-hit queue holds atomic codes; its read index is advanced by compare-exchange
//    both by read_key_hit and by an append that finds the queue full, so a code is
//    either taken by the reader or dropped as the oldest, never both.
#include "runtime/display/keyboard.h"

#include <GL/glut.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <utility>

#include "runtime/core/control_words.h"
#include "runtime/core/errors.h"
#include "runtime/core/low_memory.h"
#include "runtime/display/key_translation_table.h"
#include "runtime/host/host.h"
#include "runtime/strings/string_storage.h"

namespace rt {

namespace {

constexpr uint32_t kKeyHitQueueSize = 8192;

struct KeyboardState {
  std::mutex guard;
  // HeldKeyList: each code at most once, in the order added.
  std::vector<int32_t> held;
  // KeyHitQueue: +code for a press, -code for a release.
  std::array<std::atomic<int32_t>, kKeyHitQueueSize> hits{};
  std::atomic<uint32_t> hit_read{0};
  std::atomic<uint32_t> hit_write{0};
};

KeyboardState g_keyboard;

// Modifiers the toolkit reported for the key callback running on this thread.
thread_local uint32_t t_callback_modifiers = 0;

// ---- low-memory bytes shared with the script thread ---------------------------------

std::atomic_ref<uint8_t> low_memory_byte(uint32_t linear) {
  return std::atomic_ref<uint8_t>(*low_memory_at(linear));
}

// The script may poke the head or tail words; an offset outside the ring must not let
// the ring read or write other BIOS data.
bool valid_ring_offset(uint8_t offset) {
  return offset % 2 == 0 && offset >= kKeyboardRingFirstOffset &&
         offset < kKeyboardRingLimitOffset;
}

uint8_t next_ring_offset(uint8_t offset) {
  const auto next = static_cast<uint8_t>(offset + 2);
  return next == kKeyboardRingLimitOffset ? kKeyboardRingFirstOffset : next;
}

// ---- HeldKeyList (caller holds the guard) -------------------------------------------

bool held_contains(int32_t code) {
  const auto& held = g_keyboard.held;
  return std::find(held.begin(), held.end(), code) != held.end();
}

void held_add(int32_t code) {
  auto& held = g_keyboard.held;
  if (held_contains(code)) return;
  try {
    // The list is short (the keys a person holds); it grows one element at a time.
    if (held.size() == held.capacity()) held.reserve(held.size() + 1);
    held.push_back(code);
  } catch (...) {
    // Out of memory: the key is simply not recorded as held.
  }
}

void held_remove(int32_t code) {
  auto& held = g_keyboard.held;
  const auto it = std::find(held.begin(), held.end(), code);
  if (it != held.end()) held.erase(it);
}

void held_toggle(int32_t code) {
  if (held_contains(code)) {
    held_remove(code);
  } else {
    held_add(code);
  }
}

bool shift_held() { return held_contains(kKeyLeftShift) || held_contains(kKeyRightShift); }
bool ctrl_held() { return held_contains(kKeyLeftCtrl) || held_contains(kKeyRightCtrl); }
bool alt_held() { return held_contains(kKeyLeftAlt) || held_contains(kKeyRightAlt); }

// ---- shift-state bytes (caller holds the guard) -------------------------------------

uint8_t flag_bit(int32_t code, int bit) {
  return held_contains(code) ? static_cast<uint8_t>(1u << bit) : 0;
}

void write_shift_flags() {
  const bool ctrl = ctrl_held();
  const bool alt = alt_held();
  const uint8_t flags1 = static_cast<uint8_t>(
      flag_bit(kKeyRightShift, 0) | flag_bit(kKeyLeftShift, 1) | (ctrl ? 0x04 : 0) |
      (alt ? 0x08 : 0) | flag_bit(kKeyScrollLockState, 4) | flag_bit(kKeyNumLockState, 5) |
      flag_bit(kKeyCapsLockState, 6) | flag_bit(kKeyInsertState, 7));
  const uint8_t flags2 = static_cast<uint8_t>(
      flag_bit(kKeyLeftCtrl, 0) | flag_bit(kKeyLeftAlt, 1) | flag_bit(kKeySysRq, 2) |
      flag_bit(kKeyPause, 3) | flag_bit(kKeyScrollLock, 4) | flag_bit(kKeyInsert, 7));
  // Bit 4 of the status byte is always set: an enhanced keyboard is attached.
  const uint8_t status =
      static_cast<uint8_t>(flag_bit(kKeyRightCtrl, 0) | flag_bit(kKeyRightAlt, 1) | 0x10);
  low_memory_byte(kShiftFlags1).store(flags1, std::memory_order_relaxed);
  low_memory_byte(kShiftFlags2).store(flags2, std::memory_order_relaxed);
  low_memory_byte(kKeyboardStatusFlags).store(status, std::memory_order_relaxed);
}

// ---- KeyHitQueue ------------------------------------------------------------------

void hit_append(int32_t code) {
  const uint32_t write = g_keyboard.hit_write.load(std::memory_order_relaxed);
  const uint32_t next = (write + 1) % kKeyHitQueueSize;
  uint32_t read = g_keyboard.hit_read.load(std::memory_order_acquire);
  if (next == read) {
    // Full: the oldest code is lost, unless the reader has just taken it.
    g_keyboard.hit_read.compare_exchange_strong(read, (read + 1) % kKeyHitQueueSize,
                                                std::memory_order_acq_rel);
  }
  g_keyboard.hits[write].store(code, std::memory_order_relaxed);
  g_keyboard.hit_write.store(next, std::memory_order_release);
}

// ---- KeyboardRing -----------------------------------------------------------------

struct RingEntry {
  uint8_t character;
  uint8_t scan;
};

// Drops the entry when the ring already holds its 15 entries.
void ring_store(RingEntry entry) {
  const uint8_t tail = low_memory_byte(kKeyboardRingTail).load(std::memory_order_relaxed);
  const uint8_t head = low_memory_byte(kKeyboardRingHead).load(std::memory_order_acquire);
  if (!valid_ring_offset(tail) || !valid_ring_offset(head)) return;
  const uint8_t next = next_ring_offset(tail);
  if (next == head) return;
  low_memory_write_u8(kBiosDataArea + tail, entry.character);
  low_memory_write_u8(kBiosDataArea + tail + 1, entry.scan);
  low_memory_byte(kKeyboardRingTail).store(next, std::memory_order_release);
}

template <typename Row>
int32_t column_value(const Row& row) {
  int32_t value = row.plain;
  if (shift_held()) value = row.shift;
  if (ctrl_held()) value = row.ctrl;
  if (alt_held()) value = row.alt;
  return value;
}

void store_value(int32_t value, uint8_t row_scan) {
  if (value == 0) return;
  if ((value & 0xFF00) != 0) {
    ring_store({0, static_cast<uint8_t>(value >> 8)});
  } else {
    ring_store({static_cast<uint8_t>(value), row_scan});
  }
}

void enter_character(int32_t code) {
  const KeyRow& row = kCharacterKeyRows[static_cast<size_t>(code)];
  if (row.scan == 0) {
    ring_store({static_cast<uint8_t>(code), 0});
    return;
  }
  store_value(column_value(row), row.scan);
}

void enter_extended(int32_t code, bool insert_was_held) {
  const ExtendedKeyRow* row = find_extended_row(code);
  if (row == nullptr) {
    ring_store({0, static_cast<uint8_t>(code >> 8)});
    return;
  }
  if (code == kKeyInsert && !insert_was_held && !shift_held() && !ctrl_held() &&
      !alt_held()) {
    held_toggle(kKeyInsertState);
    write_shift_flags();
  }
  store_value(column_value(*row), static_cast<uint8_t>(code >> 8));
}

void enter_special(int32_t code, bool scroll_lock_was_held) {
  if (code == kKeyScrollLock) {
    if (!scroll_lock_was_held) held_toggle(kKeyScrollLockState);
    write_shift_flags();
    return;
  }
  if (code == kKeyNumLockState || code == kKeyCapsLockState ||
      (code >= kKeyRightShift && code <= kKeyLeftAlt)) {
    write_shift_flags();
  }
}

void request_break() {
  if (program_handles_close.load() != 0) {
    close_requests.fetch_or(2);
  } else {
    stop_requested.store(1);
  }
}

// The body of key_pressed; caller holds the guard.
void press(int32_t code) {
  if (code == 0) code = kKeyZero;
  const bool insert_was_held = code == kKeyInsert && held_contains(kKeyInsert);
  const bool scroll_lock_was_held = code == kKeyScrollLock && held_contains(kKeyScrollLock);
  held_add(code);

  if (code == kKeyBreak || (code == kKeyScrollLock && ctrl_held())) {
    request_break();
    return;
  }
  if (code == kKeyPause || (code == kKeyNumLockState && ctrl_held())) {
    paused.store(1);
    event_pending.store(1);
    return;
  }
  if (paused.load() & 1) {
    paused.store(0);  // this key only ends the pause
    return;
  }
  if (code == 13 && alt_held()) return;  // Alt+Enter belongs to the window

  hit_append(code);

  const int32_t ring_code = code == kKeyZero ? 0 : code;
  if (ring_code <= 0xFF) {
    enter_character(ring_code);
  } else if (ring_code <= 0xFFFF) {
    enter_extended(ring_code, insert_was_held);
  } else {
    enter_special(ring_code, scroll_lock_was_held);
  }
}

void release(int32_t code) {
  if (code == 0) code = kKeyZero;
  held_remove(code);
  hit_append(-code);
  if (code == kKeyInsert || (code >= kKeyNumLockState && code <= kKeyLeftAlt)) {
    write_shift_flags();
  }
}

int32_t special_key_code(int32_t special) {
  for (const SpecialKeyMapping& mapping : kSpecialKeyMappings) {
    if (mapping.special == special) return mapping.code;
  }
  return 0;
}

// Runs one toolkit key callback with the modifiers it reports.
template <typename Body>
void with_callback_modifiers(Body body) {
  t_callback_modifiers = static_cast<uint32_t>(glutGetModifiers());
  body();
  t_callback_modifiers = 0;
}

}  // namespace

// ---- entry points ------------------------------------------------------------------

void key_pressed(int32_t code) {
  // Negative codes are releases in the queue's code space; a press cannot carry one.
  if (code < 0) return;
  {
    std::lock_guard<std::mutex> lock(g_keyboard.guard);
    press(code);
  }
  key_press_signal.store(1);
}

void key_released(int32_t code) {
  if (code < 0) return;
  std::lock_guard<std::mutex> lock(g_keyboard.guard);
  release(code);
}

int32_t key_is_down(int32_t code) {
  std::lock_guard<std::mutex> lock(g_keyboard.guard);
  return held_contains(code) ? 1 : 0;
}

void update_shift_flags() {
  std::lock_guard<std::mutex> lock(g_keyboard.guard);
  write_shift_flags();
}

void held_key_add(int32_t code) {
  std::lock_guard<std::mutex> lock(g_keyboard.guard);
  held_add(code);
}

void held_key_remove(int32_t code) {
  std::lock_guard<std::mutex> lock(g_keyboard.guard);
  held_remove(code);
}

std::vector<int32_t> held_keys() {
  std::lock_guard<std::mutex> lock(g_keyboard.guard);
  try {
    return g_keyboard.held;
  } catch (...) {
    return {};
  }
}

void translate_char_key(int32_t character, bool press, uint32_t modifiers) {
  int32_t key = character & 0xFF;
  if (modifiers & kModifierCtrl) {
    // The window delivers Ctrl+letter as a control character: recover the letter.
    if (key == 10) {
      key = 13;
    } else if (key >= 1 && key <= 26) {
      key += (modifiers & kModifierShift) ? 64 : 96;
    }
  }
  if (key == 127) key = kKeyDelete;
  if (press) {
    key_pressed(key);
  } else {
    key_released(key);
  }
}

void translate_char_key(int32_t character, bool press) {
  translate_char_key(character, press, t_callback_modifiers);
}

void translate_special_key(int32_t special, bool press) {
  const int32_t code = special_key_code(special);
  if (code == 0) return;  // keys the model does not know
  if (press) {
    key_pressed(code);
  } else {
    key_released(code);
  }
}

void keyboard_down_callback(unsigned char key, int, int) {
  with_callback_modifiers([key] { translate_char_key(key, true); });
}

void keyboard_up_callback(unsigned char key, int, int) {
  with_callback_modifiers([key] { translate_char_key(key, false); });
}

void special_down_callback(int key, int, int) { translate_special_key(key, true); }

void special_up_callback(int key, int, int) { translate_special_key(key, false); }

void sync_lock_keys(bool scroll_lock_on, bool caps_lock_on, bool num_lock_on) {
  {
    std::lock_guard<std::mutex> lock(g_keyboard.guard);
    if (held_contains(kKeyScrollLockState) != scroll_lock_on) {
      held_toggle(kKeyScrollLockState);
      write_shift_flags();
    }
  }
  if ((key_is_down(kKeyCapsLockState) != 0) != caps_lock_on) {
    caps_lock_on ? key_pressed(kKeyCapsLockState) : key_released(kKeyCapsLockState);
  }
  if ((key_is_down(kKeyNumLockState) != 0) != num_lock_on) {
    num_lock_on ? key_pressed(kKeyNumLockState) : key_released(kKeyNumLockState);
  }
}

void initialise_keyboard() {
  const host::HostKeyState host_keys = host::query_host_key_state();
  if (host_keys.scroll_lock_on) held_key_add(kKeyScrollLockState);
  const std::pair<bool, int32_t> presses[] = {
      {host_keys.scroll_lock_down, kKeyScrollLock},
      {host_keys.left_shift_down, kKeyLeftShift},
      {host_keys.right_shift_down, kKeyRightShift},
      {host_keys.left_ctrl_down, kKeyLeftCtrl},
      {host_keys.right_ctrl_down, kKeyRightCtrl},
      {host_keys.left_alt_down, kKeyLeftAlt},
      {host_keys.right_alt_down, kKeyRightAlt},
      {host_keys.caps_lock_on, kKeyCapsLockState},
      {host_keys.num_lock_on, kKeyNumLockState},
  };
  for (const auto& [down, code] : presses) {
    if (down) key_pressed(code);
  }
  std::lock_guard<std::mutex> lock(g_keyboard.guard);
  write_shift_flags();
  g_keyboard.hit_read.store(g_keyboard.hit_write.load());
  low_memory_write_u16(kKeyboardRingHead, kKeyboardRingFirstOffset);
  low_memory_write_u16(kKeyboardRingTail, kKeyboardRingFirstOffset);
}

StringValue* read_key() {
  if (error_pending()) return string_new(0, true);
  host::yield_processor();
  StringValue* result = string_new(2, true);
  if (result == nullptr || error_pending()) return result;
  const uint8_t head = low_memory_byte(kKeyboardRingHead).load(std::memory_order_relaxed);
  const uint8_t tail = low_memory_byte(kKeyboardRingTail).load(std::memory_order_acquire);
  if (head == tail || !valid_ring_offset(head) || !valid_ring_offset(tail)) {
    result->length = 0;
    return result;
  }
  const uint8_t character = low_memory_read_u8(kBiosDataArea + head);
  const uint8_t scan = low_memory_read_u8(kBiosDataArea + head + 1);
  result->data[0] = character;
  result->data[1] = scan;
  // A character alone, a lone zero byte, or a zero byte followed by the scan code.
  result->length = (character != 0 || scan == 0) ? 1 : 2;
  low_memory_byte(kKeyboardRingHead).store(next_ring_offset(head), std::memory_order_release);
  return result;
}

int32_t read_key_hit() {
  if (error_pending()) return 0;
  uint32_t read = g_keyboard.hit_read.load(std::memory_order_acquire);
  for (;;) {
    if (read == g_keyboard.hit_write.load(std::memory_order_acquire)) return 0;
    const int32_t code = g_keyboard.hits[read].load(std::memory_order_relaxed);
    // Fails only when a full queue dropped this code meanwhile; then take the next one.
    if (g_keyboard.hit_read.compare_exchange_weak(read, (read + 1) % kKeyHitQueueSize,
                                                  std::memory_order_acq_rel)) {
      return code;
    }
  }
}

}  // namespace rt
