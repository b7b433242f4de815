// The script's subroutine return points and the array subscript check.
#pragma once

#include <cstdint>

namespace rt {

inline constexpr int32_t kInitialReturnStackEntries = 16384;

// Pushes a return-point number (1 or more; anything else raises 5 and pushes nothing).
// The stack doubles right after the push that fills it, so a push never writes past
// the end; a stack that cannot grow raises 256, which ends the process.
void push_return_point(int32_t number);
// Pops the newest return point. Raises 3 and returns 0 when the stack is empty or the
// number is not one of 1..largest_return_point.
int32_t pop_return_point(int32_t largest_return_point);
void return_stack_grow();

int32_t return_stack_top();
int32_t return_stack_capacity();

// Returns `offset` when it is below `count` (compared unsigned, so a negative offset is
// out of range too); otherwise raises 9 and returns 0.
int64_t array_index_check(int64_t offset, int64_t count);

}  // namespace rt
