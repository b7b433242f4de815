#include "runtime/strings/string_ops.h"

#include <cstring>

#include "runtime/core/errors.h"
#include "runtime/strings/string_storage.h"

namespace rt {

namespace {

constexpr uint8_t kSpace = 0x20;
constexpr int32_t kTrue = -1;
constexpr int32_t kFalse = 0;

// A released record carries a negative length; a null or released argument is a bad call.
bool usable(const StringValue* s) { return s != nullptr && s->length >= 0; }

// The neutral result of a string operation that cannot run.
StringValue* empty_result() { return string_new(0, true); }

// Refuses the call when an error is already pending or an argument is unusable.
bool refuse(const StringValue* a, const StringValue* b = nullptr, bool two = false) {
  if (error_pending()) return true;
  if (!usable(a) || (two && !usable(b))) {
    raise_error(kErrIllegalFunctionCall);
    return true;
  }
  return false;
}

// The copy form of reuse-or-copy: `length` bytes of s from `offset` into a new temporary.
// The new string is made first because making it may compact the heap under s.
StringValue* copy_part(StringValue* s, int32_t offset, int32_t length) {
  StringValue* result = string_new(length, true);
  std::memcpy(result->data, s->data + offset, static_cast<size_t>(length));
  if (s->is_temporary) string_release(s);
  return result;
}

// Every result that is a part of s: s itself, s narrowed in place, or a copy.
StringValue* part_of(StringValue* s, int32_t offset, int32_t length) {
  if (offset == 0 && length == s->length) return s;
  if (!is_plain_temporary(s)) return copy_part(s, offset, length);
  s->data += offset;
  s->length = length;
  return s;
}

bool is_shared(const StringValue* s) {
  return s == shared_empty_string() || s == shared_space_string();
}

// Targets written in place: bytes owned elsewhere are refused, the shared start-up strings
// are left alone (every caller that prints an empty line or a space relies on them).
bool refuse_target(const StringValue* target, const StringValue* source) {
  if (refuse(target, source, true)) return true;
  if (target->is_read_only) {
    raise_error(kErrIllegalFunctionCall);
    return true;
  }
  return is_shared(target);
}

template <uint8_t First, uint8_t Last, int Shift>
StringValue* convert_case(StringValue* s) {
  if (refuse(s)) return empty_result();
  const auto in_range = [](uint8_t c) { return c >= First && c <= Last; };
  if (!is_plain_temporary(s)) {
    int32_t i = 0;
    while (i < s->length && !in_range(s->data[i])) ++i;
    if (i == s->length) return s;
    s = copy_part(s, 0, s->length);
  }
  for (int32_t i = 0; i < s->length; ++i) {
    if (in_range(s->data[i])) s->data[i] = static_cast<uint8_t>(s->data[i] + Shift);
  }
  return s;
}

int32_t clamp_count(int32_t count, int32_t length) {
  if (count < 0) return 0;
  return count > length ? length : count;
}

StringValue* filled(int32_t count, uint8_t byte) {
  StringValue* s = string_new(count < 0 ? 0 : count, true);
  std::memset(s->data, byte, static_cast<size_t>(s->length));
  return s;
}

// Unsigned byte order: the common prefix decides, else the shorter string is smaller.
int compare(const StringValue* a, const StringValue* b) {
  const int32_t common = a->length < b->length ? a->length : b->length;
  const int c = std::memcmp(a->data, b->data, static_cast<size_t>(common));
  if (c != 0) return c < 0 ? -1 : 1;
  if (a->length == b->length) return 0;
  return a->length < b->length ? -1 : 1;
}

int32_t truth(bool value) { return value ? kTrue : kFalse; }

}  // namespace

StringValue* string_upper(StringValue* s) { return convert_case<'a', 'z', 'A' - 'a'>(s); }

StringValue* string_lower(StringValue* s) { return convert_case<'A', 'Z', 'a' - 'A'>(s); }

StringValue* string_left(StringValue* s, int32_t count) {
  if (refuse(s)) return empty_result();
  return part_of(s, 0, clamp_count(count, s->length));
}

StringValue* string_right(StringValue* s, int32_t count) {
  if (refuse(s)) return empty_result();
  const int32_t kept = clamp_count(count, s->length);
  return part_of(s, s->length - kept, kept);
}

StringValue* string_mid(StringValue* s, int32_t start, int32_t count, bool count_given) {
  if (refuse(s)) return empty_result();
  // 64-bit so that extreme starts and counts cannot wrap.
  int64_t first = start;
  int64_t taken;
  if (count_given) {
    taken = count;
    if (first < 1) {
      taken -= 1 - first;
      first = 1;
    }
    if (taken < 1 || first > s->length) return part_of(s, 0, 0);
    if (first + taken - 1 > s->length) taken = s->length - first + 1;
  } else {
    if (first < 1) first = 1;
    taken = s->length - first + 1;
    if (taken <= 0) return part_of(s, 0, 0);
  }
  return part_of(s, static_cast<int32_t>(first - 1), static_cast<int32_t>(taken));
}

StringValue* string_trim_left(StringValue* s) {
  if (refuse(s)) return empty_result();
  int32_t spaces = 0;
  while (spaces < s->length && s->data[spaces] == kSpace) ++spaces;
  return part_of(s, spaces, s->length - spaces);
}

StringValue* string_trim_right(StringValue* s) {
  if (refuse(s)) return empty_result();
  int32_t kept = s->length;
  while (kept > 0 && s->data[kept - 1] == kSpace) --kept;
  return part_of(s, 0, kept);
}

StringValue* string_spaces(int32_t count) {
  if (error_pending()) return empty_result();
  return filled(count, kSpace);
}

StringValue* string_repeat(int32_t count, int32_t code) {
  if (error_pending()) return empty_result();
  return filled(count, static_cast<uint8_t>(code));
}

StringValue* string_from_code(int32_t code) {
  if (error_pending()) return empty_result();
  if (code < 0 || code > 255) {
    raise_error(kErrIllegalFunctionCall);
    return empty_result();
  }
  return filled(1, static_cast<uint8_t>(code));
}

StringValue* string_from_code_pair(int32_t code, int32_t value) {
  if (error_pending()) return empty_result();
  StringValue* s = string_new(3, true);
  s->data[0] = static_cast<uint8_t>(code);
  s->data[1] = static_cast<uint8_t>(value);
  s->data[2] = static_cast<uint8_t>(value >> 8);
  return s;
}

int32_t string_find(int32_t start, StringValue* s, StringValue* pattern, bool start_given) {
  if (refuse(s, pattern, true)) return 0;
  if (!start_given) start = 1;
  if (s->length == 0) return 0;
  if (start <= 0) {
    if (pattern->length == 0) return 0;
    start = 1;
  }
  if (start > s->length) return 0;
  if (pattern->length == 0) return start;
  if (pattern->length > s->length - start + 1) return 0;
  const int32_t last_candidate = s->length - pattern->length;  // 0-based
  for (int32_t i = start - 1; i <= last_candidate; ++i) {
    const void* hit = std::memchr(s->data + i, pattern->data[0], static_cast<size_t>(last_candidate - i + 1));
    if (hit == nullptr) return 0;
    i = static_cast<int32_t>(static_cast<const uint8_t*>(hit) - s->data);
    if (std::memcmp(s->data + i, pattern->data, static_cast<size_t>(pattern->length)) == 0) return i + 1;
  }
  return 0;
}

void string_overwrite(StringValue* target, int32_t start, int32_t count, StringValue* source,
                      bool count_given) {
  if (refuse_target(target, source)) return;
  int64_t taken = count_given ? count : source->length;
  int64_t first = start;
  int64_t skip = 0;
  if (first < 1) {
    skip = 1 - first;
    taken -= skip;
    first = 1;
  }
  if (taken <= 0 || first > target->length) return;
  if (skip >= source->length) return;
  if (taken > target->length - first + 1) taken = target->length - first + 1;
  if (taken > source->length - skip) taken = source->length - skip;
  uint8_t* to = target->data + (first - 1);
  const uint8_t* from = source->data + skip;
  if (to != from) std::memmove(to, from, static_cast<size_t>(taken));
}

int32_t string_equal(StringValue* a, StringValue* b) {
  if (refuse(a, b, true)) return kFalse;
  return truth(a->length == b->length &&
               std::memcmp(a->data, b->data, static_cast<size_t>(a->length)) == 0);
}

int32_t string_not_equal(StringValue* a, StringValue* b) {
  if (refuse(a, b, true)) return kFalse;
  return truth(string_equal(a, b) == kFalse);
}

int32_t string_less(StringValue* a, StringValue* b) {
  if (refuse(a, b, true)) return kFalse;
  return truth(compare(a, b) < 0);
}

int32_t string_greater(StringValue* a, StringValue* b) {
  if (refuse(a, b, true)) return kFalse;
  return truth(compare(a, b) > 0);
}

int32_t string_less_equal(StringValue* a, StringValue* b) {
  if (refuse(a, b, true)) return kFalse;
  return truth(compare(a, b) <= 0);
}

int32_t string_greater_equal(StringValue* a, StringValue* b) {
  if (refuse(a, b, true)) return kFalse;
  return truth(compare(a, b) >= 0);
}

int32_t string_code(StringValue* s) {
  if (refuse(s)) return 0;
  if (s->length == 0) {
    raise_error(kErrIllegalFunctionCall);
    return 0;
  }
  return s->data[0];
}

int32_t string_code_at(StringValue* s, int32_t position) {
  if (refuse(s)) return 0;
  if (position < 1 || position > s->length) {
    raise_error(kErrIllegalFunctionCall);
    return 0;
  }
  return s->data[position - 1];
}

int32_t string_length(StringValue* s) {
  if (refuse(s)) return 0;
  return s->length;
}

// A target bound to a file record field would be written through by the file layer here;
// the game opens no files, so there is no record buffer to update.
void string_fill_left(StringValue* target, StringValue* source) {
  if (refuse_target(target, source)) return;
  const int32_t copied = clamp_count(source->length, target->length);
  std::memmove(target->data, source->data, static_cast<size_t>(copied));
  std::memset(target->data + copied, kSpace, static_cast<size_t>(target->length - copied));
}

void string_fill_right(StringValue* target, StringValue* source) {
  if (refuse_target(target, source)) return;
  const int32_t copied = clamp_count(source->length, target->length);
  const int32_t spaces = target->length - copied;
  std::memmove(target->data + spaces, source->data, static_cast<size_t>(copied));
  std::memset(target->data, kSpace, static_cast<size_t>(spaces));
}

}  // namespace rt
