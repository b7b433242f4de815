#include "runtime/core/return_stack.h"

#include <cstdlib>
#include <limits>

#include "runtime/core/errors.h"

namespace rt {

namespace {

struct ReturnStack {
  // Allocated before main: the script may call a subroutine in its first statement.
  int32_t* entries = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * kInitialReturnStackEntries));
  int32_t top = 0;
  int32_t capacity = entries != nullptr ? kInitialReturnStackEntries : 0;
};
ReturnStack g_stack;

}  // namespace

void return_stack_grow() {
  // Doubling past the largest count would overflow; treat it as out of stack space.
  if (g_stack.capacity <= 0 || g_stack.capacity > std::numeric_limits<int32_t>::max() / 2) {
    raise_error(kErrOutOfStackSpace);
    return;
  }
  int32_t capacity = g_stack.capacity * 2;
  auto* grown = static_cast<int32_t*>(
      std::realloc(g_stack.entries, sizeof(int32_t) * static_cast<size_t>(capacity)));
  if (grown == nullptr) {
    raise_error(kErrOutOfStackSpace);
    return;
  }
  g_stack.entries = grown;
  g_stack.capacity = capacity;
}

void push_return_point(int32_t number) {
  if (error_pending()) return;
  if (number < 1) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  if (g_stack.top >= g_stack.capacity) return_stack_grow();  // no first block
  if (g_stack.top >= g_stack.capacity) return;
  g_stack.entries[g_stack.top] = number;
  ++g_stack.top;
  if (g_stack.top >= g_stack.capacity) return_stack_grow();
}

int32_t pop_return_point(int32_t largest_return_point) {
  if (error_pending()) return 0;
  if (g_stack.top == 0) {
    raise_error(kErrReturnWithoutGosub);
    return 0;
  }
  --g_stack.top;
  int32_t number = g_stack.entries[g_stack.top];
  if (number > largest_return_point) {
    raise_error(kErrReturnWithoutGosub);
    return 0;
  }
  return number;
}

int32_t return_stack_top() { return g_stack.top; }
int32_t return_stack_capacity() { return g_stack.capacity; }

int64_t array_index_check(int64_t offset, int64_t count) {
  if (static_cast<uint64_t>(offset) < static_cast<uint64_t>(count)) return offset;
  raise_error(kErrSubscriptOutOfRange);
  return 0;
}

}  // namespace rt
