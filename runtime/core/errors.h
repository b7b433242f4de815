// Run-time errors: the first error raised is kept until the statement checkpoint shows it.
#pragma once

#include <cstdint>

namespace rt {

using ErrorCode = uint32_t;

inline constexpr ErrorCode kErrReturnWithoutGosub = 3;
inline constexpr ErrorCode kErrIllegalFunctionCall = 5;
inline constexpr ErrorCode kErrOverflow = 6;
inline constexpr ErrorCode kErrSubscriptOutOfRange = 9;
inline constexpr ErrorCode kErrDivisionByZero = 11;
inline constexpr ErrorCode kErrTypeMismatch = 13;
inline constexpr ErrorCode kErrOutOfStackSpace = 256;
inline constexpr ErrorCode kErrInvalidHandle = 258;

// Records an error (critical codes show their box and end the process at once).
// A code of 0 or below records 5. Returns the pending code.
ErrorCode raise_error(int64_t code);

// The pending error, 0 when none. Runtime operations return at once while it is set.
ErrorCode pending_error();
inline bool error_pending() { return pending_error() != 0; }
// Clears the pending error (the dialog's Yes answer; tests).
void clear_pending_error();

uint32_t error_line();
void set_error_line(uint32_t line);

// The message of a code, "Unprintable error" for codes without one.
const char* error_message(ErrorCode code);

}  // namespace rt
