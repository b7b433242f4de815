// The keyboard model fed the way the window and refresh threads feed it, read the way
// the script reads it.
#include "runtime/display/keyboard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "runtime/core/control_words.h"
#include "runtime/core/errors.h"
#include "runtime/core/low_memory.h"
#include "runtime/host/host.h"
#include "runtime/strings/string_storage.h"

namespace rt {
namespace {

using Codes = std::vector<int32_t>;

// Toolkit special key numbers.
constexpr int kSpecialF1 = 1;
constexpr int kSpecialLeftShift = 112;
constexpr int kSpecialLeftCtrl = 114;
constexpr int kSpecialLeftAlt = 116;

class KeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::set_host_key_state_hook({});
    initialise_low_memory();
    initialise_string_storage();
    initialise_keyboard();
  }

  static std::string read_one() {
    const int32_t mark = temporary_mark();
    const StringValue* s = read_key();
    std::string bytes(reinterpret_cast<const char*>(s->data), static_cast<size_t>(s->length));
    release_temporaries(mark, nullptr);
    return bytes;
  }

  static std::vector<std::string> drain_ring() {
    std::vector<std::string> entries;
    for (std::string s = read_one(); !s.empty(); s = read_one()) entries.push_back(s);
    return entries;
  }

  static Codes drain_hits() {
    Codes codes;
    for (int32_t c = read_key_hit(); c != 0; c = read_key_hit()) codes.push_back(c);
    return codes;
  }

  static uint8_t head() { return low_memory_read_u8(kKeyboardRingHead); }
  static uint8_t tail() { return low_memory_read_u8(kKeyboardRingTail); }
};

std::string bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

// ---- what each typed combination produces ------------------------------------------

struct TypingCase {
  const char* name;
  std::function<void()> type;
  Codes hits;
  std::vector<std::string> ring;
};

void press_char(int c, uint32_t modifiers = 0) { translate_char_key(c, true, modifiers); }

TEST_F(KeyboardTest, TypedCombinationsReachQueueAndRingAsTheTablesSay) {
  const TypingCase cases[] = {
      {"a pressed and released",
       [] { press_char('a'); translate_char_key('a', false, 0); },
       {97, -97}, {"a"}},
      {"F1", [] { translate_special_key(kSpecialF1, true); }, {0x3B00}, {bytes({0, 0x3B})}},
      {"Shift+F1",
       [] { translate_special_key(kSpecialLeftShift, true); translate_special_key(kSpecialF1, true); },
       {kKeyLeftShift, 0x3B00}, {bytes({0, 0x54})}},
      {"F12 with Ctrl",
       [] { key_pressed(kKeyRightCtrl); translate_special_key(12, true); },
       {kKeyRightCtrl, 0x8600}, {bytes({0, 0x8A})}},
      {"Alt+A",
       [] { translate_special_key(kSpecialLeftAlt, true); press_char('a', kModifierAlt); },
       {kKeyLeftAlt, 97}, {bytes({0, 0x1E})}},
      {"Shift+Tab",
       [] { translate_special_key(kSpecialLeftShift, true); press_char(9, kModifierShift); },
       {kKeyLeftShift, 9}, {bytes({0, 0x0F})}},
      {"Ctrl+A delivered as character 1",
       [] { translate_special_key(kSpecialLeftCtrl, true); press_char(1, kModifierCtrl); },
       {kKeyLeftCtrl, 97}, {bytes({1})}},
      {"Ctrl+Shift+A",
       [] {
         key_pressed(kKeyLeftCtrl);
         key_pressed(kKeyLeftShift);
         press_char(1, kModifierCtrl | kModifierShift);
       },
       {kKeyLeftCtrl, kKeyLeftShift, 65}, {bytes({1})}},
      {"character 0", [] { press_char(0); translate_char_key(0, false, 0); },
       {kKeyZero, -kKeyZero}, {bytes({0})}},
      {"Ctrl+Backspace delivered as 127 is Ctrl+Delete",
       [] { key_pressed(kKeyLeftCtrl); press_char(127, kModifierCtrl); },
       {kKeyLeftCtrl, kKeyDelete}, {bytes({0, 0x93})}},
      {"Delete delivered as 127", [] { press_char(127); }, {kKeyDelete}, {bytes({0, 0x53})}},
      {"Ctrl+Enter delivered as 10",
       [] { key_pressed(kKeyLeftCtrl); press_char(10, kModifierCtrl); },
       {kKeyLeftCtrl, 13}, {bytes({10})}},
      {"Alt+Enter is swallowed",
       [] { key_pressed(kKeyLeftAlt); press_char(13, kModifierAlt); },
       {kKeyLeftAlt}, {}},
      {"Alt+Tab makes no entry", [] { key_pressed(kKeyRightAlt); press_char(9, kModifierAlt); },
       {kKeyRightAlt, 9}, {}},
      {"Ctrl+1 makes no entry", [] { key_pressed(kKeyLeftCtrl); press_char('1', kModifierCtrl); },
       {kKeyLeftCtrl, '1'}, {}},
      {"Ctrl+2 is an extended key", [] { key_pressed(kKeyLeftCtrl); press_char('2', kModifierCtrl); },
       {kKeyLeftCtrl, '2'}, {bytes({0, 0x03})}},
      {"Ctrl+6 gives character 30", [] { key_pressed(kKeyLeftCtrl); press_char('6', kModifierCtrl); },
       {kKeyLeftCtrl, '6'}, {bytes({30})}},
      {"Alt+Backspace", [] { key_pressed(kKeyLeftAlt); press_char(8, kModifierAlt); },
       {kKeyLeftAlt, 8}, {bytes({0, 0x0E})}},
      {"Shift+! keeps the character", [] { key_pressed(kKeyLeftShift); press_char('!', kModifierShift); },
       {kKeyLeftShift, '!'}, {"!"}},
      {"Esc", [] { press_char(27); }, {27}, {bytes({27})}},
      {"a character above 127 enters as itself", [] { press_char(200); }, {200}, {bytes({200})}},
      {"Alt on a key without a row still enters it", [] { key_pressed(kKeyLeftAlt); press_char(5, 0); },
       {kKeyLeftAlt, 5}, {bytes({5})}},
      {"an extended code without a row", [] { key_pressed(0x7000); }, {0x7000}, {bytes({0, 0x70})}},
      {"Ctrl+Up", [] { key_pressed(kKeyRightCtrl); translate_special_key(101, true); },
       {kKeyRightCtrl, 0x4800}, {bytes({0, 0x8D})}},
      {"Alt+Page Down", [] { key_pressed(kKeyLeftAlt); translate_special_key(105, true); },
       {kKeyLeftAlt, 0x5100}, {bytes({0, 0xA1})}},
  };
  for (const TypingCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (int32_t code : held_keys()) key_released(code);
    drain_hits();
    c.type();
    EXPECT_EQ(drain_hits(), c.hits);
    EXPECT_EQ(drain_ring(), c.ring);
  }
}

TEST_F(KeyboardTest, NothingWaitingReadsAsEmpty) {
  EXPECT_EQ(read_one(), "");
  EXPECT_EQ(read_key_hit(), 0);
  EXPECT_EQ(head(), kKeyboardRingFirstOffset);
  EXPECT_EQ(tail(), kKeyboardRingFirstOffset);
}

TEST_F(KeyboardTest, ToolkitSpecialKeysMapToExtendedAndModifierCodes) {
  const std::pair<int, int32_t> mapping[] = {
      {1, 0x3B00},   {10, 0x4400},  {11, 0x8500},  {12, 0x8600},  {100, 0x4B00},
      {101, 0x4800}, {102, 0x4D00}, {103, 0x5000}, {104, 0x4900}, {105, 0x5100},
      {106, 0x4700}, {107, 0x4F00}, {108, 0x5200}, {112, kKeyLeftShift},
      {113, kKeyRightShift}, {114, kKeyLeftCtrl}, {115, kKeyRightCtrl},
      {116, kKeyLeftAlt}, {117, kKeyRightAlt},
  };
  for (const auto& [special, code] : mapping) {
    translate_special_key(special, true);
    translate_special_key(special, false);
    EXPECT_EQ(drain_hits(), (Codes{code, -code})) << "special key " << special;
  }
}

TEST_F(KeyboardTest, UnknownSpecialKeysAndNegativeCodesChangeNothing) {
  for (int special : {0, 13, 99, 109, 110, 118, 200, -1, 1 << 30}) {
    translate_special_key(special, true);
    translate_special_key(special, false);
  }
  key_pressed(-97);
  key_released(-97);
  EXPECT_EQ(read_key_hit(), 0);
  EXPECT_EQ(read_one(), "");
  EXPECT_TRUE(held_keys().empty());
  EXPECT_EQ(key_press_signal.load(), 0u);
}

// ---- the ring ----------------------------------------------------------------------

TEST_F(KeyboardTest, SixteenUnreadPressesKeepFifteenAndStillQueueEveryCode) {
  const std::string letters = "abcdefghijklmnop";
  for (char c : letters) press_char(c);
  Codes expected_hits(letters.begin(), letters.end());
  EXPECT_EQ(drain_hits(), expected_hits);
  std::vector<std::string> expected_ring;
  for (char c : letters.substr(0, 15)) expected_ring.push_back(std::string(1, c));
  EXPECT_EQ(drain_ring(), expected_ring);
  EXPECT_TRUE(key_is_down('p'));
}

TEST_F(KeyboardTest, HeadAndTailWrapFromTheLastEntryToTheFirst) {
  std::vector<uint8_t> heads;
  for (int i = 0; i < 20; ++i) {
    key_pressed('a' + i);
    heads.push_back(head());
    EXPECT_EQ(read_one(), std::string(1, static_cast<char>('a' + i)));
  }
  EXPECT_EQ(heads[14], 0x3A);
  EXPECT_EQ(heads[15], 0x3C);
  EXPECT_EQ(heads[16], 0x1E);
  EXPECT_EQ(head(), 0x26);
  EXPECT_EQ(tail(), 0x26);
  EXPECT_EQ(low_memory_read_u8(kKeyboardRingHead + 1), 0);
  EXPECT_EQ(low_memory_read_u8(kKeyboardRingTail + 1), 0);
  // The entry stored at the end of the block went in before the wrap, not past it.
  EXPECT_EQ(low_memory_read_u8(kBiosDataArea + 0x3C), 'a' + 15);
  EXPECT_EQ(low_memory_read_u8(kKeyboardRingEnd), 0);
}

TEST_F(KeyboardTest, ARingFilledAfterWrappingStillHoldsFifteen) {
  for (int i = 0; i < 9; ++i) key_pressed('a');
  drain_ring();
  for (int i = 0; i < 20; ++i) key_pressed('b');
  EXPECT_EQ(drain_ring().size(), 15u);
}

TEST_F(KeyboardTest, APokedRingOffsetOutsideTheRingTouchesNoOtherBiosData) {
  for (const auto& [head_offset, tail_offset] :
       {std::pair{0x1E, 0x41}, std::pair{0x1F, 0x1E}, std::pair{0x1E, 0x3E}, std::pair{0x10, 0x1E}}) {
    low_memory_write_u8(kKeyboardRingHead, static_cast<uint8_t>(head_offset));
    low_memory_write_u8(kKeyboardRingTail, static_cast<uint8_t>(tail_offset));
    low_memory_write_u8(kBiosDataArea + tail_offset, 0x55);
    press_char('a');
    EXPECT_EQ(low_memory_read_u8(kBiosDataArea + tail_offset), 0x55);
    EXPECT_EQ(read_one(), "");
    EXPECT_EQ(head(), head_offset);
    EXPECT_EQ(tail(), tail_offset);
    EXPECT_EQ(drain_hits(), Codes{'a'});  // the key-hit queue is not affected
  }
  low_memory_write_u16(kKeyboardRingHead, 0x3C);  // a valid ring again
  low_memory_write_u16(kKeyboardRingTail, 0x3C);
  press_char('b');
  EXPECT_EQ(read_one(), "b");
  EXPECT_EQ(head(), 0x1E);
}

// ---- key-hit queue -----------------------------------------------------------------

TEST_F(KeyboardTest, AFullKeyHitQueueLosesItsOldestCodes) {
  constexpr int kPresses = 8192 + 10;
  for (int i = 0; i < kPresses; ++i) key_pressed(0x100 * (1 + i % 200));
  const Codes hits = drain_hits();
  ASSERT_EQ(hits.size(), 8191u);
  // The 11 oldest codes are gone; the rest arrive in order.
  EXPECT_EQ(hits.front(), 0x100 * (1 + 11 % 200));
  EXPECT_EQ(hits.back(), 0x100 * (1 + (kPresses - 1) % 200));
  // Appending keeps working after the queue overflowed.
  key_pressed('z');
  EXPECT_EQ(drain_hits(), Codes{'z'});
}

// ---- modifiers, locks and toggles ----------------------------------------------------

TEST_F(KeyboardTest, ShiftStateBytesFollowTheHeldCodes) {
  struct Flag {
    int32_t code;
    uint32_t address;
    uint8_t bits;
  };
  const Flag flags[] = {
      {kKeyRightShift, kShiftFlags1, 0x01}, {kKeyLeftShift, kShiftFlags1, 0x02},
      {kKeyScrollLockState, kShiftFlags1, 0x10}, {kKeyNumLockState, kShiftFlags1, 0x20},
      {kKeyCapsLockState, kShiftFlags1, 0x40},   {kKeyInsertState, kShiftFlags1, 0x80},
      {kKeySysRq, kShiftFlags2, 0x04},      {kKeyPause, kShiftFlags2, 0x08},
      {kKeyScrollLock, kShiftFlags2, 0x10}, {kKeyInsert, kShiftFlags2, 0x80},
  };
  const auto expect_bytes = [](uint8_t f1, uint8_t f2, uint8_t status) {
    EXPECT_EQ(low_memory_read_u8(kShiftFlags1), f1);
    EXPECT_EQ(low_memory_read_u8(kShiftFlags2), f2);
    EXPECT_EQ(low_memory_read_u8(kKeyboardStatusFlags), status);
  };
  expect_bytes(0, 0, 0x10);
  for (const Flag& f : flags) {
    SCOPED_TRACE(f.code);
    held_key_add(f.code);
    update_shift_flags();
    expect_bytes(f.address == kShiftFlags1 ? f.bits : 0, f.address == kShiftFlags2 ? f.bits : 0,
                 0x10);
    held_key_remove(f.code);
    update_shift_flags();
    expect_bytes(0, 0, 0x10);
  }
  // The left and right Ctrl and Alt keys also have bits of their own.
  for (const auto& [code, f1, f2, status] :
       {std::tuple{kKeyLeftCtrl, 0x04, 0x01, 0x10}, std::tuple{kKeyLeftAlt, 0x08, 0x02, 0x10},
        std::tuple{kKeyRightCtrl, 0x04, 0x00, 0x11}, std::tuple{kKeyRightAlt, 0x08, 0x00, 0x12}}) {
    key_pressed(code);
    expect_bytes(f1, f2, status);
    key_released(code);
    expect_bytes(0, 0, 0x10);
  }
}

TEST_F(KeyboardTest, InsertHeldDownTogglesInsertModeOnceButRepeatsItsEntries) {
  for (int i = 0; i < 3; ++i) translate_special_key(108, true);  // auto-repeat
  EXPECT_EQ(drain_hits(), (Codes{kKeyInsert, kKeyInsert, kKeyInsert}));
  EXPECT_EQ(drain_ring().size(), 3u);
  EXPECT_TRUE(key_is_down(kKeyInsertState));
  EXPECT_EQ(low_memory_read_u8(kShiftFlags1) & 0x80, 0x80);
  translate_special_key(108, false);
  EXPECT_EQ(low_memory_read_u8(kShiftFlags2) & 0x80, 0);
  translate_special_key(108, true);
  EXPECT_FALSE(key_is_down(kKeyInsertState));
  EXPECT_EQ(low_memory_read_u8(kShiftFlags1) & 0x80, 0);
}

TEST_F(KeyboardTest, InsertWithAModifierDoesNotToggleInsertMode) {
  for (int32_t modifier : {kKeyLeftShift, kKeyRightCtrl, kKeyLeftAlt}) {
    key_pressed(modifier);
    key_pressed(kKeyInsert);
    key_released(kKeyInsert);
    key_released(modifier);
    EXPECT_FALSE(key_is_down(kKeyInsertState)) << modifier;
  }
}

TEST_F(KeyboardTest, ScrollLockKeyTogglesItsStateOncePerPhysicalPress) {
  key_pressed(kKeyScrollLock);
  key_pressed(kKeyScrollLock);  // auto-repeat
  EXPECT_TRUE(key_is_down(kKeyScrollLockState));
  EXPECT_EQ(low_memory_read_u8(kShiftFlags1), 0x10);
  EXPECT_EQ(low_memory_read_u8(kShiftFlags2), 0x10);
  EXPECT_EQ(drain_ring(), std::vector<std::string>{});
  key_released(kKeyScrollLock);
  key_pressed(kKeyScrollLock);
  EXPECT_FALSE(key_is_down(kKeyScrollLockState));
  EXPECT_EQ(low_memory_read_u8(kShiftFlags1), 0);
}

TEST_F(KeyboardTest, ReleaseAfterShiftChangedTheCharacterLeavesThePressedCodeHeld) {
  press_char('1');
  translate_special_key(kSpecialLeftShift, true);
  translate_char_key('!', false, kModifierShift);
  EXPECT_EQ(drain_hits(), (Codes{'1', kKeyLeftShift, -'!'}));
  EXPECT_TRUE(key_is_down('1'));
  EXPECT_FALSE(key_is_down('!'));
}

TEST_F(KeyboardTest, HeldKeysStayUniqueAndKeepTheirOrderWhenOneIsRemoved) {
  for (int32_t code : {5, 7, 9, 7, 11}) held_key_add(code);
  EXPECT_EQ(held_keys(), (Codes{5, 7, 9, 11}));
  held_key_remove(7);
  held_key_remove(42);
  EXPECT_EQ(held_keys(), (Codes{5, 9, 11}));
  key_pressed(9);
  EXPECT_EQ(held_keys(), (Codes{5, 9, 11}));
}

TEST_F(KeyboardTest, KeyPressSignalIsSetByPressesOnly) {
  key_released('a');
  EXPECT_EQ(key_press_signal.load(), 0u);
  key_pressed(kKeyLeftShift);  // makes no entry, signals all the same
  EXPECT_EQ(key_press_signal.load(), 1u);
}

TEST_F(KeyboardTest, LockSyncFollowsTheHostToggles) {
  sync_lock_keys(true, true, false);
  EXPECT_TRUE(key_is_down(kKeyScrollLockState));
  EXPECT_TRUE(key_is_down(kKeyCapsLockState));
  EXPECT_EQ(low_memory_read_u8(kShiftFlags1), 0x50);
  sync_lock_keys(true, true, false);  // nothing differs: no events
  EXPECT_EQ(drain_hits(), Codes{kKeyCapsLockState});
  sync_lock_keys(false, false, true);
  EXPECT_EQ(drain_hits(), (Codes{-kKeyCapsLockState, kKeyNumLockState}));
  EXPECT_EQ(low_memory_read_u8(kShiftFlags1), 0x20);
  EXPECT_EQ(drain_ring(), std::vector<std::string>{});
}

// ---- Pause and Break ---------------------------------------------------------------

TEST_F(KeyboardTest, PauseSwallowsTheNextKeyWhichOnlyEndsThePause) {
  key_pressed(kKeyPause);
  EXPECT_EQ(paused.load(), 1);
  EXPECT_EQ(event_pending.load(), 1u);
  EXPECT_EQ(key_press_signal.load(), 1u);
  press_char('a');
  EXPECT_EQ(paused.load(), 0);
  EXPECT_EQ(read_key_hit(), 0);
  EXPECT_EQ(read_one(), "");
  press_char('a');
  EXPECT_EQ(drain_hits(), Codes{'a'});
  EXPECT_EQ(read_one(), "a");
}

TEST_F(KeyboardTest, CtrlWithNumLockSwitchedOnAlsoPauses) {
  key_pressed(kKeyLeftCtrl);
  sync_lock_keys(false, false, true);
  EXPECT_EQ(paused.load(), 1);
  EXPECT_EQ(drain_hits(), Codes{kKeyLeftCtrl});
  key_released(kKeyLeftCtrl);  // releases do not end a pause
  EXPECT_EQ(paused.load(), 1);
  key_pressed(kKeyLeftShift);  // any press does
  EXPECT_EQ(paused.load(), 0);
}

TEST_F(KeyboardTest, BreakStopsTheProgramOrAsksItToClose) {
  key_pressed(kKeyBreak);
  EXPECT_EQ(stop_requested.load(), 1);
  EXPECT_EQ(close_requests.load(), 0u);
  EXPECT_EQ(read_key_hit(), 0);
  stop_requested.store(0);

  program_handles_close.store(1);
  key_pressed(kKeyRightCtrl);
  key_pressed(kKeyScrollLock);  // Ctrl+Scroll Lock is Break as well
  EXPECT_EQ(close_requests.load(), 2u);
  EXPECT_EQ(stop_requested.load(), 0);
  EXPECT_FALSE(key_is_down(kKeyScrollLockState));
  EXPECT_EQ(drain_hits(), Codes{kKeyRightCtrl});
}

// ---- start-up and errors -----------------------------------------------------------

TEST_F(KeyboardTest, StartUpAgreesWithTheHostAndLeavesQueueAndRingEmpty) {
  host::set_host_key_state_hook([] {
    host::HostKeyState s;
    s.scroll_lock_on = true;
    s.caps_lock_on = true;
    s.num_lock_on = true;
    s.left_shift_down = true;
    s.right_alt_down = true;
    return s;
  });
  key_pressed('x');
  initialise_keyboard();
  for (int32_t code : {kKeyScrollLockState, kKeyCapsLockState, kKeyNumLockState, kKeyLeftShift,
                       kKeyRightAlt}) {
    EXPECT_TRUE(key_is_down(code)) << code;
  }
  EXPECT_EQ(low_memory_read_u8(kShiftFlags1), 0x10 | 0x20 | 0x40 | 0x02 | 0x08);
  EXPECT_EQ(low_memory_read_u8(kKeyboardStatusFlags), 0x12);
  EXPECT_EQ(read_key_hit(), 0);
  EXPECT_EQ(low_memory_read_u16(kKeyboardRingHead), 0x1E);
  EXPECT_EQ(low_memory_read_u16(kKeyboardRingTail), 0x1E);
  EXPECT_EQ(read_one(), "");
}

TEST_F(KeyboardTest, ReadsConsumeNothingWhileAnErrorIsPending) {
  press_char('q');
  raise_error(kErrIllegalFunctionCall);
  const int32_t mark = temporary_mark();
  StringValue* s = read_key();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->length, 0);
  release_temporaries(mark, nullptr);
  EXPECT_EQ(read_key_hit(), 0);
  EXPECT_EQ(head(), kKeyboardRingFirstOffset);
  clear_pending_error();
  EXPECT_EQ(read_key_hit(), 'q');
  EXPECT_EQ(read_one(), "q");
}

}  // namespace
}  // namespace rt
