#include "runtime/strings/string_storage.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/core/errors.h"
#include "runtime/core/low_memory.h"
#include "runtime/host/host.h"

namespace rt {

namespace {

// ---- sizes ------------------------------------------------------------------------------

constexpr int32_t kDescriptorBlockRecords = 65536;
constexpr int32_t kFreeRecordStackInitial = 65536;
constexpr int32_t kListInitialCapacity = 65535;  // storage for capacity + 1 entries
constexpr int64_t kHeapInitialSize = 1 << 20;
constexpr int64_t kSlack = 32;                   // room behind each new string to grow into
constexpr size_t kLocalStorageInitial = 1 << 20;
constexpr int32_t kMemoryLockBlockRecords = 10000;
constexpr int32_t kMemoryLockFreeStackInitial = 1000;
constexpr uint64_t kMemoryLockFirstCounter = 0x3FFFFFFF;

// The low-memory area: bytes grow upward from here, descriptor records downward from the top.
constexpr int32_t kLowMemoryFirstByte = 256;
constexpr int32_t kLowMemoryReserved = 8;  // zeroed at the very top at start-up
constexpr int32_t kLowMemoryDescriptorSize = 4;

// Critical codes: each names the store that could not grow.
constexpr ErrorCode kErrLocalStorageBlock = 504;
constexpr ErrorCode kErrFreeRecordStack = 508;  // also a descriptor block that cannot be had
constexpr ErrorCode kErrLowMemoryList = 509;
constexpr ErrorCode kErrHeapList = 510;
constexpr ErrorCode kErrTemporaryList = 511;
constexpr ErrorCode kErrHeapBlock = 512;
constexpr ErrorCode kErrLowMemoryAreaFull = 513;
constexpr ErrorCode kErrLowMemoryDescriptor = 514;
constexpr ErrorCode kErrMemoryLockBlock = 506;  // no code is reserved for lock records

StringValue* const kReleasedSlot = reinterpret_cast<StringValue*>(~uintptr_t{0});

// Where empty values made from a null pointer point: byte copies never see a null address.
uint8_t g_no_bytes[1];

// An ordered list of string records; the position of a record is its list_index (or its
// temporary_index). Released slots hold kReleasedSlot so that later indices stay put.
struct SlotList {
  StringValue** slots = nullptr;
  int32_t count = 0;
  int32_t capacity = 0;  // storage holds capacity + 1 entries
};

// Records handed out one by one from zero-filled blocks that are never returned.
template <typename T, int32_t kPerBlock>
struct RecordBlocks {
  T* block = nullptr;
  int32_t used = kPerBlock;
  std::vector<T*> blocks;  // kept so every block stays reachable
};

struct MemoryLockStore {
  RecordBlocks<MemoryLock, kMemoryLockBlockRecords> records;
  MemoryLock** free_stack = nullptr;
  int32_t free_count = 0;
  int32_t free_capacity = 0;
  uint64_t identity_counter = kMemoryLockFirstCounter;
};

struct LocalStorageStack {
  uint8_t* block = nullptr;
  uint8_t* pointer = nullptr;
  uint8_t* end = nullptr;
  size_t block_size = 0;
  std::vector<uint8_t*> blocks;  // earlier blocks stay allocated: old addresses stay valid
};

struct StringStorage {
  bool ready = false;
  bool low_memory_ready = false;

  // DescriptorPool
  RecordBlocks<StringValue, kDescriptorBlockRecords> records;
  StringValue** free_records = nullptr;
  int32_t free_count = 0;
  int32_t free_capacity = 0;

  // StringHeap
  uint8_t* heap = nullptr;
  int64_t heap_size = 0;
  int64_t used = 0;
  SlotList heap_list;

  // LowMemoryStringArea
  int32_t low_fill = kLowMemoryFirstByte;
  int32_t low_top = kLowMemoryStringAreaSize;
  SlotList low_list;
  StringValue* empty_string = nullptr;
  StringValue* space_string = nullptr;

  SlotList temporaries;

  LocalStorageStack local;
  MemoryLockStore locks;

  StorageAllocationHook allocation_hook;

  int64_t compactions = 0;
  int64_t heap_growths = 0;
  int64_t list_squeezes = 0;
  int64_t low_memory_packs = 0;
};

// Never destroyed: blocks stay reachable (and valid) while other threads' static
// destructors or the leak checker run at exit.
union LastingStorage {
  StringStorage value;
  LastingStorage() : value() {}
  ~LastingStorage() {}
};
LastingStorage g_lasting;
StringStorage& g_storage = g_lasting.value;

// ---- blocks -----------------------------------------------------------------------------

bool allocation_allowed(size_t bytes) {
  return !g_storage.allocation_hook || g_storage.allocation_hook(bytes);
}

void* obtain(size_t bytes) { return allocation_allowed(bytes) ? std::malloc(bytes) : nullptr; }

void* obtain_zeroed(size_t bytes) {
  return allocation_allowed(bytes) ? std::calloc(bytes, 1) : nullptr;
}

void* regrow(void* block, size_t bytes) {
  return allocation_allowed(bytes) ? std::realloc(block, bytes) : nullptr;
}

// Storage exhaustion ends the program; nothing after this may run on the broken state.
[[noreturn]] void out_of_memory(ErrorCode code) {
  raise_error(code);
  host::process_exit(0);
}

// The next record of the current block, starting a new block when it is used up.
template <typename T, int32_t kPerBlock>
T* take_from_blocks(RecordBlocks<T, kPerBlock>& records, ErrorCode code) {
  if (records.used == kPerBlock) {
    void* block = obtain_zeroed(sizeof(T) * kPerBlock);
    if (block == nullptr) out_of_memory(code);
    records.block = static_cast<T*>(block);
    records.blocks.push_back(records.block);
    records.used = 0;
  }
  return &records.block[records.used++];
}

uint8_t* low_area() { return low_memory_at(kLowMemoryStringArea); }

// ---- lists ------------------------------------------------------------------------------

void list_create(SlotList& list, int32_t first_count, ErrorCode code) {
  const size_t bytes = sizeof(StringValue*) * (static_cast<size_t>(kListInitialCapacity) + 1);
  list.slots = static_cast<StringValue**>(obtain_zeroed(bytes));
  if (list.slots == nullptr) out_of_memory(code);
  list.capacity = kListInitialCapacity;
  list.count = first_count;
}

void list_double(SlotList& list, ErrorCode code) {
  const int64_t entries = (static_cast<int64_t>(list.capacity) + 1) * 2;
  if (entries - 1 > INT32_MAX) out_of_memory(code);
  void* grown = regrow(list.slots, sizeof(StringValue*) * static_cast<size_t>(entries));
  if (grown == nullptr) out_of_memory(code);
  list.slots = static_cast<StringValue**>(grown);
  list.capacity = static_cast<int32_t>(entries - 1);
}

// Drops released slots, keeping order, and renumbers the records that moved. The list only
// doubles when squeezing freed less than half of it, so a list full of garbage is reused.
void list_squeeze(SlotList& list, ErrorCode code) {
  ++g_storage.list_squeezes;
  int32_t kept = 0;
  for (int32_t i = 0; i < list.count; ++i) {
    StringValue* s = list.slots[i];
    if (s == kReleasedSlot) continue;
    list.slots[kept] = s;
    s->list_index = kept;
    ++kept;
  }
  list.count = kept;
  if (2 * static_cast<int64_t>(kept) >= list.capacity) list_double(list, code);
}

void list_append(SlotList& list, StringValue* s, ErrorCode code) {
  if (list.count > list.capacity) list_squeeze(list, code);
  s->list_index = list.count;
  list.slots[list.count++] = s;
}

void list_trim_trailing(SlotList& list, int32_t floor) {
  while (list.count > floor && list.slots[list.count - 1] == kReleasedSlot) --list.count;
}

// The temporary list never squeezes: callers hold marks into it.
void enrol_temporary(StringValue* s) {
  SlotList& list = g_storage.temporaries;
  if (list.count > list.capacity) list_double(list, kErrTemporaryList);
  s->temporary_index = list.count;
  s->is_temporary = 1;
  list.slots[list.count++] = s;
}

void withdraw_temporary(StringValue* s) {
  if (s->temporary_index == 0) return;
  SlotList& list = g_storage.temporaries;
  if (s->temporary_index < list.count && list.slots[s->temporary_index] == s) {
    list.slots[s->temporary_index] = kReleasedSlot;
    list_trim_trailing(list, 1);
  }
  s->temporary_index = 0;
}

// ---- descriptor pool --------------------------------------------------------------------

void free_stack_create() {
  g_storage.free_records = static_cast<StringValue**>(
      obtain(sizeof(StringValue*) * static_cast<size_t>(kFreeRecordStackInitial)));
  if (g_storage.free_records == nullptr) out_of_memory(kErrFreeRecordStack);
  g_storage.free_capacity = kFreeRecordStackInitial;
}

StringValue* take_record() {
  StringStorage& st = g_storage;
  if (st.free_count > 0) {
    StringValue* s = st.free_records[--st.free_count];
    std::memset(s, 0, sizeof(StringValue));
    return s;
  }
  return take_from_blocks(st.records, kErrFreeRecordStack);
}

// A returned record is marked dead (negative length) so that a second release or a later
// use through a stale pointer is refused instead of corrupting the lists.
void return_record(StringValue* s) {
  StringStorage& st = g_storage;
  if (st.free_count == st.free_capacity) {
    const int64_t doubled = static_cast<int64_t>(st.free_capacity) * 2;
    if (doubled > INT32_MAX) out_of_memory(kErrFreeRecordStack);
    void* grown = regrow(st.free_records, sizeof(StringValue*) * static_cast<size_t>(doubled));
    if (grown == nullptr) out_of_memory(kErrFreeRecordStack);
    st.free_records = static_cast<StringValue**>(grown);
    st.free_capacity = static_cast<int32_t>(doubled);
  }
  s->data = nullptr;
  s->length = -1;
  s->list_index = -1;
  s->temporary_index = 0;
  st.free_records[st.free_count++] = s;
}

bool is_live(const StringValue* s) { return s != nullptr && s->length >= 0; }

// ---- start-up ---------------------------------------------------------------------------

void prepare_static_storage() {
  StringStorage& st = g_storage;
  if (st.ready) return;
  st.ready = true;
  free_stack_create();
  list_create(st.heap_list, 0, kErrHeapList);
  list_create(st.low_list, 0, kErrLowMemoryList);
  list_create(st.temporaries, 1, kErrTemporaryList);  // slot 0 means "not enrolled"
  st.heap = static_cast<uint8_t*>(obtain(static_cast<size_t>(kHeapInitialSize)));
  if (st.heap == nullptr) out_of_memory(kErrHeapBlock);
  st.heap_size = kHeapInitialSize;
  st.used = 0;
}

inline void ensure_ready() {
  if (!g_storage.ready) prepare_static_storage();
}

void local_storage_new_block(size_t bytes) {
  LocalStorageStack& local = g_storage.local;
  uint8_t* block = allocation_allowed(bytes) ? static_cast<uint8_t*>(std::calloc(bytes, 1)) : nullptr;
  if (block == nullptr) out_of_memory(kErrLocalStorageBlock);
  local.blocks.push_back(block);
  local.block = block;
  local.pointer = block;
  local.end = block + bytes;
  local.block_size = bytes;
}

// ---- heap -------------------------------------------------------------------------------

void heap_grow(int64_t needed) {
  StringStorage& st = g_storage;
  const int64_t new_size = needed + 2 * st.heap_size;
  const uintptr_t old_base = reinterpret_cast<uintptr_t>(st.heap);
  void* grown = regrow(st.heap, static_cast<size_t>(new_size));
  if (grown == nullptr) out_of_memory(kErrHeapBlock);
  ++st.heap_growths;
  st.heap = static_cast<uint8_t*>(grown);
  st.heap_size = new_size;
  const uintptr_t new_base = reinterpret_cast<uintptr_t>(st.heap);
  if (new_base == old_base) return;
  for (int32_t i = 0; i < st.heap_list.count; ++i) {
    StringValue* s = st.heap_list.slots[i];
    if (s == kReleasedSlot) continue;
    s->data = reinterpret_cast<uint8_t*>(reinterpret_cast<uintptr_t>(s->data) - old_base + new_base);
  }
}

// Packs the heap, moving only strings more than a slack's width above their packed place,
// then grows the block unless at least `needed` bytes plus room for the same again are free.
void heap_compact(int64_t needed) {
  StringStorage& st = g_storage;
  ++st.compactions;
  uint8_t* destination = st.heap;
  for (int32_t i = 0; i < st.heap_list.count; ++i) {
    StringValue* s = st.heap_list.slots[i];
    if (s == kReleasedSlot) continue;
    if (s->data - destination > kSlack) {
      std::memmove(destination, s->data, static_cast<size_t>(s->length));
      s->data = destination;
    }
    destination = s->data + s->length;
  }
  st.used = destination - st.heap;
  if (needed + 2 * st.used + kSlack < st.heap_size) return;
  heap_grow(needed);
}

// After the newest strings go, the fill returns to just behind the new last one.
void heap_after_release() {
  StringStorage& st = g_storage;
  list_trim_trailing(st.heap_list, 0);
  if (st.heap_list.count == 0) {
    st.used = 0;
    return;
  }
  const StringValue* last = st.heap_list.slots[st.heap_list.count - 1];
  const int64_t end = (last->data + last->length - st.heap) + kSlack;
  st.used = end < st.heap_size ? end : st.heap_size;
}

// ---- low-memory area ----------------------------------------------------------------------

void write_low_memory_descriptor(const StringValue* s) {
  if (s->low_memory_descriptor == nullptr) return;
  const uint32_t record = kLowMemoryStringArea + s->low_memory_descriptor_offset;
  low_memory_write_u16(record, static_cast<uint16_t>(s->length));
  low_memory_write_u16(record + 2, static_cast<uint16_t>(s->data - low_area()));
}

void low_memory_pack() {
  StringStorage& st = g_storage;
  ++st.low_memory_packs;
  uint8_t* base = low_area();
  int32_t destination = kLowMemoryFirstByte;
  for (int32_t i = 0; i < st.low_list.count; ++i) {
    StringValue* s = st.low_list.slots[i];
    if (s == kReleasedSlot) continue;
    if (s->data != base + destination) {
      std::memmove(base + destination, s->data, static_cast<size_t>(s->length));
      s->data = base + destination;
      write_low_memory_descriptor(s);
    }
    destination += s->length;
  }
  st.low_fill = destination;
}

// Makes room for `length` bytes at the fill offset, packing once; a full area is fatal.
void low_memory_reserve(int64_t length) {
  StringStorage& st = g_storage;
  if (st.low_fill + length <= st.low_top) return;
  low_memory_pack();
  if (st.low_fill + length > st.low_top) out_of_memory(kErrLowMemoryAreaFull);
}

void release_bytes(StringValue* s) {
  StringStorage& st = g_storage;
  if (s->is_fixed_length || s->is_read_only) return;
  if (s->in_low_memory) {
    if (s->list_index < 0 || s->list_index >= st.low_list.count) return;
    st.low_list.slots[s->list_index] = kReleasedSlot;
    if (s->list_index == st.low_list.count - 1) --st.low_list.count;
    return;
  }
  if (s->list_index < 0 || s->list_index >= st.heap_list.count) return;
  st.heap_list.slots[s->list_index] = kReleasedSlot;
  heap_after_release();
}

// ---- assignment -------------------------------------------------------------------------

bool same_area(const StringValue* a, const StringValue* b) {
  return a->in_low_memory == b->in_low_memory;
}

void take_over(StringValue* destination, StringValue* source) {
  SlotList& list = destination->in_low_memory ? g_storage.low_list : g_storage.heap_list;
  list.slots[destination->list_index] = kReleasedSlot;
  destination->list_index = source->list_index;
  list.slots[destination->list_index] = destination;
  withdraw_temporary(source);
  destination->data = source->data;
  destination->length = source->length;
  return_record(source);
  write_low_memory_descriptor(destination);
}

// The first live entry after `index`, or -1 when every following slot is released. A
// temporary source in the same area has been taken over before this is asked, so it never
// sits among the entries that follow.
int32_t next_live(const SlotList& list, int32_t index) {
  for (int32_t i = index + 1; i < list.count; ++i) {
    if (list.slots[i] != kReleasedSlot) return i;
  }
  return -1;
}

// Gives the destination `length` bytes of room, in place where the following string or
// the end of the area allows, else at the fill offset. Its old bytes are not preserved.
void make_room(StringValue* destination, int32_t length) {
  StringStorage& st = g_storage;
  const bool low = destination->in_low_memory;
  SlotList& list = low ? st.low_list : st.heap_list;
  uint8_t* base = low ? low_area() : st.heap;
  const int64_t limit = low ? st.low_top : st.heap_size;
  const int32_t index = destination->list_index;
  const int64_t offset = destination->data - base;
  const int32_t next = next_live(list, index);

  if (next >= 0) {
    if (destination->data + length <= list.slots[next]->data) return;
  } else {
    list.count = index + 1;  // nothing live follows: the destination becomes the last string
    if (offset + length <= limit) {
      if (low) {
        st.low_fill = static_cast<int32_t>(offset + length);
      } else {
        st.used = offset + length;
      }
      return;
    }
  }

  list.slots[index] = kReleasedSlot;
  if (low) {
    low_memory_reserve(length);
  } else if (st.used + length > st.heap_size) {
    heap_compact(length);
  }
  list_append(list, destination, low ? kErrLowMemoryList : kErrHeapList);
  if (low) {
    destination->data = low_area() + st.low_fill;
    st.low_fill += length;
  } else {
    destination->data = st.heap + st.used;
    st.used += length;
  }
}

void assign_fixed_length(StringValue* destination, const StringValue* source) {
  const int32_t copied = source->length < destination->length ? source->length : destination->length;
  std::memmove(destination->data, source->data, static_cast<size_t>(copied));
  std::memset(destination->data + copied, ' ', static_cast<size_t>(destination->length - copied));
}

bool is_shared_string(const StringValue* s) {
  return s == g_storage.empty_string || s == g_storage.space_string;
}

}  // namespace

// ---- creating ---------------------------------------------------------------------------

StringValue* string_new(int32_t length, bool temporary) {
  ensure_ready();
  StringStorage& st = g_storage;
  if (length < 0) {
    raise_error(kErrIllegalFunctionCall);
    length = 0;
  }
  if (length + st.used + kSlack > st.heap_size) heap_compact(length + kSlack);
  StringValue* s = take_record();
  s->length = length;
  s->data = st.heap + st.used;
  st.used += length + kSlack;
  list_append(st.heap_list, s, kErrHeapList);
  if (temporary) enrol_temporary(s);
  return s;
}

StringValue* string_new_low_memory(int32_t length, bool temporary) {
  ensure_ready();
  StringStorage& st = g_storage;
  if (length < 0) {
    raise_error(kErrIllegalFunctionCall);
    length = 0;
  }
  const int32_t record_bytes = temporary ? 0 : kLowMemoryDescriptorSize;
  if (st.low_fill + length + record_bytes > st.low_top) low_memory_pack();
  if (st.low_fill + length > st.low_top) out_of_memory(kErrLowMemoryAreaFull);
  if (st.low_fill + length + record_bytes > st.low_top) out_of_memory(kErrLowMemoryDescriptor);
  StringValue* s = take_record();
  s->in_low_memory = 1;
  s->length = length;
  s->data = low_area() + st.low_fill;
  st.low_fill += length;
  list_append(st.low_list, s, kErrLowMemoryList);
  if (temporary) {
    enrol_temporary(s);
  } else {
    st.low_top -= kLowMemoryDescriptorSize;
    s->low_memory_descriptor_offset = static_cast<uint16_t>(st.low_top);
    s->low_memory_descriptor = low_area() + st.low_top;
    write_low_memory_descriptor(s);
  }
  return s;
}

namespace {

// A record over bytes that belong to someone else; a bad length gives an empty value.
StringValue* record_over(const void* bytes, int32_t length) {
  ensure_ready();
  if (length < 0 || (bytes == nullptr && length > 0)) {
    raise_error(kErrIllegalFunctionCall);
    length = 0;
  }
  if (bytes == nullptr) bytes = g_no_bytes;
  StringValue* s = take_record();
  s->data = static_cast<uint8_t*>(const_cast<void*>(bytes));
  s->length = length;
  return s;
}

}  // namespace

StringValue* string_from_literal(const void* bytes, int32_t length) {
  StringValue* s = record_over(bytes, length);
  // The bytes stay the owner's: read-only values are never written through.
  s->is_read_only = 1;
  enrol_temporary(s);
  return s;
}

StringValue* string_from_c_text(const char* text) {
  return string_from_literal(text, text == nullptr ? 0 : static_cast<int32_t>(std::strlen(text)));
}

StringValue* string_fixed_length(void* bytes, int32_t length) {
  StringValue* s = record_over(bytes, length);
  s->is_fixed_length = 1;
  return s;
}

StringValue* string_make_temporary(StringValue* s) {
  ensure_ready();
  if (!is_live(s)) {
    raise_error(kErrIllegalFunctionCall);
    return s;
  }
  if (s->is_temporary || is_shared_string(s)) return s;
  enrol_temporary(s);
  return s;
}

void string_release(StringValue* s) {
  ensure_ready();
  if (!is_live(s)) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  // The start-up strings are shared by every caller and live for the whole run.
  if (is_shared_string(s)) return;
  // A string bound to a record field is detached by the file layer, which the game does not
  // open; the link is dropped with the record.
  s->field_link = nullptr;
  withdraw_temporary(s);
  release_bytes(s);
  return_record(s);
}

// ---- temporaries ------------------------------------------------------------------------

int32_t temporary_mark() {
  ensure_ready();
  return g_storage.temporaries.count;
}

StringValue* release_temporaries(int32_t mark, StringValue* pass_through) {
  ensure_ready();
  SlotList& list = g_storage.temporaries;
  if (mark < 1) mark = 1;
  for (int32_t i = list.count - 1; i >= mark; --i) {
    if (i >= list.count) continue;  // trimmed by the release of a later slot
    StringValue* s = list.slots[i];
    if (s == kReleasedSlot || s == pass_through) continue;
    string_release(s);
  }
  return pass_through;
}

// ---- assigning and joining --------------------------------------------------------------

StringValue* string_assign(StringValue* destination, StringValue* source) {
  ensure_ready();
  if (!is_live(destination) || !is_live(source) || destination->is_read_only ||
      is_shared_string(destination)) {
    raise_error(kErrIllegalFunctionCall);
    return destination;
  }
  if (source == destination) return destination;

  if (destination->is_fixed_length) {
    assign_fixed_length(destination, source);
  } else if (source->is_temporary && !source->is_fixed_length && !source->is_read_only &&
             same_area(destination, source)) {
    take_over(destination, source);
    return destination;
  } else {
    if (source->length > destination->length) make_room(destination, source->length);
    // Making room may compact the heap, so the source's bytes are read only now.
    std::memmove(destination->data, source->data, static_cast<size_t>(source->length));
    destination->length = source->length;
  }
  if (source->is_temporary) string_release(source);
  write_low_memory_descriptor(destination);
  return destination;
}

StringValue* string_concat(StringValue* left, StringValue* right) {
  ensure_ready();
  if (!is_live(left) || !is_live(right)) {
    raise_error(kErrIllegalFunctionCall);
    return string_new(0, true);
  }
  if (right->length == 0) return left;
  if (left->length == 0) return right;
  const int64_t total = static_cast<int64_t>(left->length) + right->length;
  if (total > INT32_MAX) {
    raise_error(kErrIllegalFunctionCall);
    return string_new(0, true);
  }
  StringValue* result = string_new(static_cast<int32_t>(total), true);
  // Created first: the new string may have compacted the heap under both operands.
  std::memcpy(result->data, left->data, static_cast<size_t>(left->length));
  std::memcpy(result->data + left->length, right->data, static_cast<size_t>(right->length));
  if (left->is_temporary) string_release(left);
  if (right->is_temporary && right != left) string_release(right);
  return result;
}

// ---- start-up strings -------------------------------------------------------------------

void initialise_string_storage() {
  prepare_static_storage();
  StringStorage& st = g_storage;
  if (st.low_memory_ready) return;
  st.low_memory_ready = true;
  if (st.local.block == nullptr) local_storage_new_block(kLocalStorageInitial);
  st.low_fill = kLowMemoryFirstByte;
  st.low_top = kLowMemoryStringAreaSize - kLowMemoryReserved;
  std::memset(low_area() + st.low_top, 0, kLowMemoryReserved);
  st.empty_string = string_new_low_memory(0, false);
  st.space_string = string_new_low_memory(1, false);
  st.space_string->data[0] = ' ';
}

StringValue* shared_empty_string() {
  initialise_string_storage();
  return g_storage.empty_string;
}

StringValue* shared_space_string() {
  initialise_string_storage();
  return g_storage.space_string;
}

// ---- local storage stack ----------------------------------------------------------------

void* local_storage_allocate(size_t bytes) {
  LocalStorageStack& local = g_storage.local;
  if (local.block == nullptr) local_storage_new_block(kLocalStorageInitial);
  uint8_t* start = local.pointer;
  if (bytes < static_cast<size_t>(local.end - local.pointer)) {
    local.pointer += bytes;
    return start;
  }
  // The old block stays allocated, so addresses handed out earlier remain valid.
  if (bytes > SIZE_MAX / 2 - 2 * local.block_size) out_of_memory(kErrLocalStorageBlock);
  local_storage_new_block(bytes + 2 * local.block_size);
  local.pointer = local.block + bytes;
  return local.block;
}

void* local_storage_mark() {
  LocalStorageStack& local = g_storage.local;
  if (local.block == nullptr) local_storage_new_block(kLocalStorageInitial);
  return local.pointer;
}

void local_storage_restore(void* mark) {
  LocalStorageStack& local = g_storage.local;
  if (local.block == nullptr) return;
  uint8_t* m = static_cast<uint8_t*>(mark);
  const uintptr_t at = reinterpret_cast<uintptr_t>(m);
  const bool inside = at >= reinterpret_cast<uintptr_t>(local.block) &&
                      at <= reinterpret_cast<uintptr_t>(local.end);
  local.pointer = inside ? m : local.block;
}

// ---- memory locks -----------------------------------------------------------------------

MemoryLock* memory_lock_new() {
  MemoryLockStore& locks = g_storage.locks;
  MemoryLock* lock;
  if (locks.free_count > 0) {
    lock = locks.free_stack[--locks.free_count];
  } else {
    lock = take_from_blocks(locks.records, kErrMemoryLockBlock);
  }
  lock->kind = 0;
  lock->owned = nullptr;
  lock->identity = ++locks.identity_counter;
  return lock;
}

void memory_lock_free(MemoryLock* lock) {
  // A retired record has identity 0: freeing it again must not free its pointer twice.
  if (lock == nullptr || lock->identity == 0) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  MemoryLockStore& locks = g_storage.locks;
  if (locks.free_count == locks.free_capacity) {
    const int32_t capacity = locks.free_capacity == 0 ? kMemoryLockFreeStackInitial : locks.free_capacity * 2;
    void* grown = regrow(locks.free_stack, sizeof(MemoryLock*) * static_cast<size_t>(capacity));
    if (grown == nullptr) out_of_memory(kErrMemoryLockBlock);
    locks.free_stack = static_cast<MemoryLock**>(grown);
    locks.free_capacity = capacity;
  }
  lock->identity = 0;
  if (lock->kind == 1) std::free(lock->owned);
  lock->owned = nullptr;
  locks.free_stack[locks.free_count++] = lock;
}

// ---- inspection -------------------------------------------------------------------------

StringStorageStats string_storage_stats() {
  ensure_ready();
  const StringStorage& st = g_storage;
  return StringStorageStats{st.heap,
                            st.heap_size,
                            st.used,
                            st.heap_list.count,
                            st.heap_list.capacity,
                            st.low_fill,
                            st.low_top,
                            st.low_list.count,
                            st.temporaries.count,
                            st.compactions,
                            st.heap_growths,
                            st.list_squeezes,
                            st.low_memory_packs};
}

namespace {

std::string slot_problem(bool low, int32_t index, const char* problem) {
  return std::string(low ? "low-memory slot " : "heap slot ") + std::to_string(index) + problem;
}

std::string check_list(const SlotList& list, const uint8_t* base, int64_t first, int64_t fill,
                       bool low) {
  const uint8_t* previous_end = base + first;
  for (int32_t i = 0; i < list.count; ++i) {
    const StringValue* s = list.slots[i];
    if (s == kReleasedSlot) continue;
    if (!is_live(s)) return slot_problem(low, i, " holds a released record");
    if (s->list_index != i) return slot_problem(low, i, " holds a record that names another slot");
    if ((s->in_low_memory != 0) != low) return slot_problem(low, i, " holds a string of the other area");
    if (s->is_fixed_length || s->is_read_only) return slot_problem(low, i, " holds a string it does not own");
    if (s->data < previous_end) return slot_problem(low, i, " starts before the end of the string before it");
    if (s->data + s->length > base + fill) return slot_problem(low, i, " ends beyond the fill offset");
    previous_end = s->data + s->length;
    if (low && s->low_memory_descriptor != nullptr) {
      const uint32_t record = kLowMemoryStringArea + s->low_memory_descriptor_offset;
      if (low_memory_read_u16(record) != static_cast<uint16_t>(s->length) ||
          low_memory_read_u16(record + 2) != static_cast<uint16_t>(s->data - base)) {
        return slot_problem(low, i, " has a stale descriptor record");
      }
    }
  }
  return "";
}

}  // namespace

std::string check_string_storage_invariants() {
  ensure_ready();
  const StringStorage& st = g_storage;
  if (st.used < 0 || st.used > st.heap_size) return "used lies outside the heap";
  if (st.heap_list.count > st.heap_list.capacity + 1) return "heap list overflows";
  std::string problem = check_list(st.heap_list, st.heap, 0, st.used, false);
  if (!problem.empty()) return problem;
  if (st.low_memory_ready) {
    if (st.low_fill < kLowMemoryFirstByte || st.low_fill > st.low_top) return "low-memory fill passes the top";
    problem = check_list(st.low_list, low_area(), kLowMemoryFirstByte, st.low_fill, true);
    if (!problem.empty()) return problem;
  }
  const SlotList& temporaries = st.temporaries;
  for (int32_t i = 1; i < temporaries.count; ++i) {
    const StringValue* s = temporaries.slots[i];
    if (s == kReleasedSlot) continue;
    if (!is_live(s)) return "temporary slot " + std::to_string(i) + " holds a released record";
    if (s->temporary_index != i || !s->is_temporary) {
      return "temporary slot " + std::to_string(i) + " holds a record that does not name it";
    }
  }
  if (temporaries.count > 1 && temporaries.slots[temporaries.count - 1] == kReleasedSlot) {
    return "the temporary list ends in a released slot";
  }
  return "";
}

void set_storage_allocation_hook(StorageAllocationHook hook) {
  g_storage.allocation_hook = std::move(hook);
}

}  // namespace rt
