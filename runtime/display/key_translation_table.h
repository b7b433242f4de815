// What each key produces in the BIOS keyboard ring, plain and with Shift, Ctrl or Alt.
// A value of 0 means the combination produces nothing; a value with a nonzero second
// byte is an extended key (character byte 0, scan byte value / 256); any other value is
// a character byte that enters the ring with the row's scan code.
#pragma once

#include <array>
#include <cstdint>

namespace rt {

struct KeyRow {
  uint8_t scan;  // 0 in a character row: the key has no row and enters the ring as itself
  int32_t plain;
  int32_t shift;
  int32_t ctrl;
  int32_t alt;
};

struct ExtendedKeyRow {
  int32_t code;  // scan * 256
  int32_t plain;
  int32_t shift;
  int32_t ctrl;
  int32_t alt;
};

namespace key_table_detail {

// The two characters of one physical key share its scan, Ctrl and Alt values.
struct SymbolKey {
  char unshifted;
  char shifted;
  uint8_t scan;
  int32_t ctrl;
  int32_t alt;
};

inline constexpr SymbolKey kSymbolKeys[] = {
    {'1', '!', 0x02, 0, 0x7800},      {'2', '@', 0x03, 0x0300, 0x7900},
    {'3', '#', 0x04, 0, 0x7A00},      {'4', '$', 0x05, 0, 0x7B00},
    {'5', '%', 0x06, 0, 0x7C00},      {'6', '^', 0x07, 30, 0x7D00},
    {'7', '&', 0x08, 0, 0x7E00},      {'8', '*', 0x09, 0, 0x7F00},
    {'9', '(', 0x0A, 0, 0x8000},      {'0', ')', 0x0B, 0, 0x8100},
    {'-', '_', 0x0C, 31, 0x8200},     {'=', '+', 0x0D, 0, 0x8300},
    {'[', '{', 0x1A, 27, 0x1A00},     {']', '}', 0x1B, 29, 0x1B00},
    {';', ':', 0x27, 0, 0x2700},      {'\'', '"', 0x28, 0, 0x2800},
    {'`', '~', 0x29, 0, 0x2900},      {'\\', '|', 0x2B, 28, 0x2B00},
    {',', '<', 0x33, 0, 0x3300},      {'.', '>', 0x34, 0, 0x3400},
    {'/', '?', 0x35, 0, 0x3500},
};

// Scan codes of the letters a to z.
inline constexpr uint8_t kLetterScans[26] = {
    0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
    0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C,
};

constexpr std::array<KeyRow, 256> build_character_rows() {
  std::array<KeyRow, 256> rows{};
  rows[8] = {0x0E, 8, 8, 127, 0x0E00};        // Backspace
  rows[9] = {0x0F, 9, 0x0F00, 0x9400, 0};     // Tab
  rows[13] = {0x1C, 13, 13, 10, 0};           // Enter
  rows[27] = {0x01, 27, 27, 27, 0};           // Esc
  rows[32] = {0x39, 32, 32, 32, 0};           // Space
  for (const SymbolKey& key : kSymbolKeys) {
    for (char c : {key.unshifted, key.shifted}) {
      const auto code = static_cast<uint8_t>(c);
      rows[code] = {key.scan, code, code, key.ctrl, key.alt};
    }
  }
  for (int letter = 0; letter < 26; ++letter) {
    const uint8_t scan = kLetterScans[letter];
    for (int code : {'a' + letter, 'A' + letter}) {
      rows[code] = {scan, code, code, letter + 1, scan * 256};
    }
  }
  return rows;
}

constexpr ExtendedKeyRow function_key_row(int n) {  // F1 to F10
  const int32_t step = (n - 1) * 0x100;
  return {0x3B00 + step, 0x3B00 + step, 0x5400 + step, 0x5E00 + step, 0x6800 + step};
}

}  // namespace key_table_detail

// Rows indexed by character code 0 to 255.
inline constexpr std::array<KeyRow, 256> kCharacterKeyRows =
    key_table_detail::build_character_rows();

inline constexpr ExtendedKeyRow kExtendedKeyRows[] = {
    key_table_detail::function_key_row(1),  key_table_detail::function_key_row(2),
    key_table_detail::function_key_row(3),  key_table_detail::function_key_row(4),
    key_table_detail::function_key_row(5),  key_table_detail::function_key_row(6),
    key_table_detail::function_key_row(7),  key_table_detail::function_key_row(8),
    key_table_detail::function_key_row(9),  key_table_detail::function_key_row(10),
    {0x8500, 0x8500, 0x8500, 0x8900, 0x8B00},  // F11
    {0x8600, 0x8600, 0x8600, 0x8A00, 0x8C00},  // F12
    {0x4700, 0x4700, 0x4700, 0x7700, 0x9700},  // Home
    {0x4800, 0x4800, 0x4800, 0x8D00, 0x9800},  // Up
    {0x4900, 0x4900, 0x4900, 0x8400, 0x9900},  // Page Up
    {0x4B00, 0x4B00, 0x4B00, 0x7300, 0x9B00},  // Left
    {0x4D00, 0x4D00, 0x4D00, 0x7400, 0x9D00},  // Right
    {0x4F00, 0x4F00, 0x4F00, 0x7500, 0x9F00},  // End
    {0x5000, 0x5000, 0x5000, 0x9100, 0xA000},  // Down
    {0x5100, 0x5100, 0x5100, 0x7600, 0xA100},  // Page Down
    {0x5200, 0x5200, 0x5200, 0x9200, 0xA200},  // Insert
    {0x5300, 0x5300, 0x5300, 0x9300, 0xA300},  // Delete
};

// The row of an extended code, or null when it has none.
constexpr const ExtendedKeyRow* find_extended_row(int32_t code) {
  for (const ExtendedKeyRow& row : kExtendedKeyRows) {
    if (row.code == code) return &row;
  }
  return nullptr;
}

// The toolkit's special key numbers and the codes they stand for.
struct SpecialKeyMapping {
  int32_t special;
  int32_t code;
};

inline constexpr SpecialKeyMapping kSpecialKeyMappings[] = {
    {1, 0x3B00},   {2, 0x3C00},   {3, 0x3D00},   {4, 0x3E00},   {5, 0x3F00},
    {6, 0x4000},   {7, 0x4100},   {8, 0x4200},   {9, 0x4300},   {10, 0x4400},
    {11, 0x8500},  {12, 0x8600},
    {100, 0x4B00}, {101, 0x4800}, {102, 0x4D00}, {103, 0x5000},  // Left Up Right Down
    {104, 0x4900}, {105, 0x5100},                                // Page Up, Page Down
    {106, 0x4700}, {107, 0x4F00}, {108, 0x5200},                 // Home End Insert
    {112, 100304}, {113, 100303},                                // left, right Shift
    {114, 100306}, {115, 100305},                                // left, right Ctrl
    {116, 100308}, {117, 100307},                                // left, right Alt
};

}  // namespace rt
