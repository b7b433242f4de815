// A small console line input on the runtime's own keyboard ring and text output: typed
// characters are echoed, Backspace takes the last one back, Enter ends the line.
#include "runtime/strings/seed_input.h"

#include <charconv>
#include <string>

#include "runtime/core/control_words.h"
#include "runtime/core/errors.h"
#include "runtime/display/keyboard.h"
#include "runtime/screen/text_output.h"
#include "runtime/strings/string_storage.h"

namespace rt {

namespace {

constexpr uint8_t kBackspace = 8;
constexpr uint8_t kEnter = 13;
constexpr uint8_t kCursorLeft = 29;  // moves the text cursor back one cell when printed
constexpr size_t kMaxLineLength = 40;  // far more than any number in range needs

// Prints without a line end; the temporary made for it is released at once.
void print_bytes(std::string_view text, bool line_end) {
  const int32_t mark = temporary_mark();
  print_text(string_from_literal(text.data(), static_cast<int32_t>(text.size())),
             line_end ? 1 : 0);
  release_temporaries(mark, nullptr);
}

// Waits for the next ring entry: its character byte, 0 for an extended key, or -1 when
// the wait is abandoned.
int32_t next_key_character() {
  for (;;) {
    if (error_pending() || exit_in_progress.load() != 0) return -1;
    const int32_t mark = temporary_mark();
    const StringValue* key = read_key();  // yields the processor while the ring is empty
    const int32_t character = (key != nullptr && key->length == 1) ? key->data[0]
                              : (key != nullptr && key->length == 2) ? 0
                                                                     : -2;
    release_temporaries(mark, nullptr);
    if (character != -2) return character;
  }
}

void erase_last(std::string& line) {
  line.pop_back();
  const char erase[] = {static_cast<char>(kCursorLeft), ' ', static_cast<char>(kCursorLeft)};
  print_bytes(std::string_view(erase, sizeof erase), false);
}

std::string_view trim_spaces(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<int16_t> parse_seed_line(std::string_view line) {
  std::string_view digits = trim_spaces(line);
  if (!digits.empty() && digits.front() == '+') {
    digits.remove_prefix(1);
    if (!digits.empty() && digits.front() == '-') return std::nullopt;  // "+-1"
  }
  if (digits.empty() || digits.front() == '+') return std::nullopt;
  int32_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  if (value < -32768 || value > 32767) return std::nullopt;
  return static_cast<int16_t>(value);
}

std::optional<int16_t> read_seed_line(std::string_view prompt) {
  print_bytes(prompt, false);
  std::string line;
  for (;;) {
    const int32_t character = next_key_character();
    if (character < 0) return std::nullopt;
    if (character == kEnter) {
      print_bytes({}, true);
      if (const auto seed = parse_seed_line(line)) return seed;
      line.clear();
      print_bytes(prompt, false);  // not a number in range: ask again
    } else if (character == kBackspace) {
      if (!line.empty()) erase_last(line);
    } else if (character >= 32 && character <= 126 && line.size() < kMaxLineLength) {
      line.push_back(static_cast<char>(character));
      print_bytes(std::string_view(&line.back(), 1), false);
    }
  }
}

}  // namespace rt
