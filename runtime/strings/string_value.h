// The descriptor of every string the script touches. Bytes are not zero-terminated.
#pragma once

#include <cstdint>

namespace rt {

struct StringValue {
  uint8_t* data;                          // first byte
  int32_t length;                         // never negative
  uint8_t in_low_memory;                  // bytes live in the low-memory string area
  uint8_t* low_memory_descriptor;         // 4-byte record of a non-temporary low-memory string
  uint16_t low_memory_descriptor_offset;  // offset of that record within the area
  int32_t list_index;                     // slot in the heap list or the low-memory list
  uint8_t is_temporary;
  int32_t temporary_index;                // slot in the temporary list; 0 = not enrolled
  uint8_t is_fixed_length;                // length never changes; bytes never moved or freed
  uint8_t is_read_only;                   // bytes belong to someone else
  void* field_link;                       // bound to a file record field (file layer)
};

// A temporary that string operations may change in place or take over.
inline bool is_plain_temporary(const StringValue* s) {
  return s->is_temporary && !s->is_fixed_length && !s->is_read_only && !s->in_low_memory;
}

}  // namespace rt
