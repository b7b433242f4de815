// The script's string operations: pure byte operations, ASCII letters only, 1-based
// positions. String results follow reuse-or-copy: an unchanged argument comes back itself,
// a plain temporary is changed in place, anything else is copied into a new temporary (and
// a temporary argument released). Truth values are -1 and 0.
#pragma once

#include <cstdint>

#include "runtime/strings/string_value.h"

namespace rt {

StringValue* string_upper(StringValue* s);
StringValue* string_lower(StringValue* s);
StringValue* string_left(StringValue* s, int32_t count);
StringValue* string_right(StringValue* s, int32_t count);
StringValue* string_mid(StringValue* s, int32_t start, int32_t count, bool count_given);
StringValue* string_trim_left(StringValue* s);
StringValue* string_trim_right(StringValue* s);

StringValue* string_spaces(int32_t count);
StringValue* string_repeat(int32_t count, int32_t code);
StringValue* string_from_code(int32_t code);                   // 0-255, else error 5
StringValue* string_from_code_pair(int32_t code, int32_t value);  // code byte, then 16-bit value

// 0 when not found.
int32_t string_find(int32_t start, StringValue* s, StringValue* pattern, bool start_given);
// Writes source bytes over the target's; the target's length never changes.
void string_overwrite(StringValue* target, int32_t start, int32_t count, StringValue* source,
                      bool count_given);

int32_t string_equal(StringValue* a, StringValue* b);
int32_t string_not_equal(StringValue* a, StringValue* b);
int32_t string_less(StringValue* a, StringValue* b);
int32_t string_greater(StringValue* a, StringValue* b);
int32_t string_less_equal(StringValue* a, StringValue* b);
int32_t string_greater_equal(StringValue* a, StringValue* b);

int32_t string_code(StringValue* s);                     // first byte; empty: error 5
int32_t string_code_at(StringValue* s, int32_t position);  // outside 1..length: error 5
int32_t string_length(StringValue* s);

// The target keeps its length: the source goes to its start (fill_left) or its end
// (fill_right), spaces fill the rest, and a longer source keeps only its first bytes.
void string_fill_left(StringValue* target, StringValue* source);
void string_fill_right(StringValue* target, StringValue* source);

}  // namespace rt
