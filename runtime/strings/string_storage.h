// String storage: descriptor pool, the packed string heap, the low-memory string area,
// temporaries released after every statement, and the script's other small allocators.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/strings/string_value.h"

namespace rt {

StringValue* string_new(int32_t length, bool temporary);
StringValue* string_new_low_memory(int32_t length, bool temporary);
StringValue* string_from_literal(const void* bytes, int32_t length);  // read-only temporary, no copy
StringValue* string_from_c_text(const char* text);                    // null gives length 0
StringValue* string_make_temporary(StringValue* s);
void string_release(StringValue* s);

// The current count of the temporary list: the mark a statement sequence starts from.
int32_t temporary_mark();
// Releases every temporary enrolled at an index >= mark, except pass_through (which may
// be null); returns pass_through.
StringValue* release_temporaries(int32_t mark, StringValue* pass_through);

StringValue* string_assign(StringValue* destination, StringValue* source);
StringValue* string_concat(StringValue* left, StringValue* right);

// The two start-up strings of the low-memory area.
StringValue* shared_empty_string();
StringValue* shared_space_string();

// Start-up: the low-memory string area and its two strings, the local storage stack.
void initialise_string_storage();

// Local storage stack (script variables).
void* local_storage_allocate(size_t bytes);
void* local_storage_mark();
void local_storage_restore(void* mark);

// Arrays and their lock records.
struct MemoryLock {
  uint64_t identity;
  int32_t kind;
  void* owned;
};
MemoryLock* memory_lock_new();
void memory_lock_free(MemoryLock* lock);

struct ArrayDescriptor {
  void* storage;        // 8-byte elements
  uint32_t flags;       // 3 once ready
  int32_t lower_bound;
  int32_t count;        // upper bound + 1 - lower bound
  int32_t stride;       // 1 for one-dimensional arrays
  MemoryLock* lock;
};

}  // namespace rt
