// The keyboard model: keys held down, the key-hit queue and the BIOS-style keyboard ring.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/strings/string_value.h"

namespace rt {

// Extended keys the model itself treats specially.
inline constexpr int32_t kKeyInsert = 0x5200;
inline constexpr int32_t kKeyDelete = 0x5300;

// Key codes beyond characters and extended keys.
inline constexpr int32_t kKeyPause = 100019;
inline constexpr int32_t kKeyNumLockState = 100300;
inline constexpr int32_t kKeyCapsLockState = 100301;
inline constexpr int32_t kKeyScrollLock = 100302;
inline constexpr int32_t kKeyRightShift = 100303;
inline constexpr int32_t kKeyLeftShift = 100304;
inline constexpr int32_t kKeyRightCtrl = 100305;
inline constexpr int32_t kKeyLeftCtrl = 100306;
inline constexpr int32_t kKeyRightAlt = 100307;
inline constexpr int32_t kKeyLeftAlt = 100308;
inline constexpr int32_t kKeySysRq = 100317;
inline constexpr int32_t kKeyBreak = 100318;
inline constexpr int32_t kKeyScrollLockState = 200011;
inline constexpr int32_t kKeyInsertState = 200012;
inline constexpr int32_t kKeyZero = 200013;  // stands for code 0 wherever a code is stored

// Start-up: agree with the host's key state, empty the queue and the ring.
void initialise_keyboard();

// Toolkit callbacks (window thread).
void keyboard_down_callback(unsigned char key, int x, int y);
void keyboard_up_callback(unsigned char key, int x, int y);
void special_down_callback(int key, int x, int y);
void special_up_callback(int key, int x, int y);

// Modifier bits as the toolkit reports them during a key callback.
inline constexpr uint32_t kModifierShift = 1;
inline constexpr uint32_t kModifierCtrl = 2;
inline constexpr uint32_t kModifierAlt = 4;

// Without modifiers given, the ones the toolkit reports for the callback in progress
// are used (none outside a key callback).
void translate_char_key(int32_t character, bool press);
void translate_char_key(int32_t character, bool press, uint32_t modifiers);
void translate_special_key(int32_t special, bool press);
void key_pressed(int32_t code);
void key_released(int32_t code);
int32_t key_is_down(int32_t code);
void update_shift_flags();
void held_key_add(int32_t code);
void held_key_remove(int32_t code);
std::vector<int32_t> held_keys();  // a copy, in the order the codes were added

// Refresh thread: makes the Scroll, Caps and Num Lock states agree with the host's
// toggles, repairing each difference the way a key event would.
void sync_lock_keys(bool scroll_lock_on, bool caps_lock_on, bool num_lock_on);

// Script thread.
StringValue* read_key();      // temporary of length 0, 1 or 2
int32_t read_key_hit();       // 0 when none

}  // namespace rt
