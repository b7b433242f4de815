// The line input that reads a typed random-number seed from the keyboard, echoing on
// the text screen.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace rt {

// Reads lines until one holds a whole number from -32768 to 32767 (spaces around it
// allowed) and returns it. Another line is asked for after prompt is printed again.
// Gives nothing when a run-time error becomes pending or the program is exiting.
std::optional<int16_t> read_seed_line(std::string_view prompt);

// The number a typed line stands for, or nothing when it is not one in range.
std::optional<int16_t> parse_seed_line(std::string_view line);

}  // namespace rt
