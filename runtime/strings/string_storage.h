// String storage: descriptor pool, the packed string heap, the low-memory string area,
// temporaries released after every statement, and the script's other small allocators.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "runtime/strings/string_value.h"

namespace rt {

StringValue* string_new(int32_t length, bool temporary);
StringValue* string_new_low_memory(int32_t length, bool temporary);
StringValue* string_from_literal(const void* bytes, int32_t length);  // read-only temporary, no copy
StringValue* string_from_c_text(const char* text);                    // null gives length 0
// A fixed-length variable over bytes the caller owns (a record field, local storage): its
// length never changes and its bytes are never moved or freed here.
StringValue* string_fixed_length(void* bytes, int32_t length);
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

// ---- inspection and test support -----------------------------------------------------

struct StringStorageStats {
  const uint8_t* heap_base;
  int64_t heap_size;
  int64_t heap_used;
  int32_t heap_list_count;      // slots in use, dead ones included
  int32_t heap_list_capacity;
  int32_t low_memory_fill;      // offsets within the low-memory string area
  int32_t low_memory_top;
  int32_t low_memory_list_count;
  int32_t temporary_count;      // the same as temporary_mark()
  int64_t compactions;          // heap compactions run so far
  int64_t heap_growths;         // heap reallocations
  int64_t list_squeezes;        // heap and low-memory list squeezes
  int64_t low_memory_packs;
};
StringStorageStats string_storage_stats();

// Walks every list and returns the first broken rule ("" when all hold): list order equals
// address order, no two live strings overlap, every string lies inside its area, `used`
// and the fill offset cover the live bytes, every record knows its own slots.
std::string check_string_storage_invariants();

// Every block the storage obtains goes through this hook while it is set; returning false
// refuses the request, as an exhausted machine would. An empty hook restores plain malloc.
using StorageAllocationHook = std::function<bool(size_t bytes)>;
void set_storage_allocation_hook(StorageAllocationHook hook);

}  // namespace rt
