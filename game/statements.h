// The pieces every numbered statement of the script is made of: the after-statement step,
// the rules for a statement that meets a pending run-time error, print statements, the
// key waits and subroutine calls through the runtime's return stack.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/core/errors.h"
#include "runtime/strings/string_value.h"

namespace game {

using rt::StringValue;

// Return points of the script's subroutine calls: the turn loop's two calls, then one per
// location text. A return that pops anything else is refused with error 3.
inline constexpr int32_t kDescribeReturnPoint = 1;
inline constexpr int32_t kCommandStepReturnPoint = 2;
inline constexpr int32_t kFirstStreetReturnPoint = 3;
inline constexpr int32_t kLargestReturnPoint = 11;

// Takes the mark the script's temporaries are released down to. Called once, after the
// script's own variables exist.
void begin_statements();

// After every statement: release the statement's temporaries, and when something is
// pending (an error, a pause, the program stopping) let the checkpoint see it with the
// statement's line number.
void after_statement(uint32_t line);

// An IF condition counts as true when an error is pending after its evaluation.
inline bool when(bool condition) { return condition || rt::error_pending(); }
// A loop's exit test counts as met when an error is pending.
inline bool until(bool condition) { return condition || rt::error_pending(); }
// Assignments after a failing operation in the same statement are skipped.
template <typename T, typename V>
inline void assign(T& variable, V value) {
  if (!rt::error_pending()) variable = static_cast<T>(value);
}
void assign(StringValue* variable, StringValue* value);

// A read-only temporary over constant text (no copy).
StringValue* literal(std::string_view text);
template <std::size_t N>
inline StringValue* literal(const char (&text)[N]) {
  return literal(std::string_view(text, N - 1));
}

// PRINT item  /  PRINT item;  /  PRINT
void print_line(StringValue* item);
void print_part(StringValue* item);
void print_empty_line();

// Equality of a string with constant text, as the script's "=" on strings.
bool equals(StringValue* value, std::string_view text);

// The key waits of the script; each pass of the loop is one run of its statement, so
// every pass ends with the after-statement step of `line`.
void drain_keys(uint32_t line);    // until read_key returns an empty string
void wait_for_key(uint32_t line);  // until read_key returns a key (thrown away)
// One read_key poll: true when no key was waiting. The key is thrown away.
bool no_key_waiting();

// GOSUB: pushes the return point and runs the subroutine, which ends with
// return_from_subroutine.
void gosub(int32_t return_point, void (*subroutine)());
void return_from_subroutine(uint32_t line);

}  // namespace game
