#include "runtime/core/arithmetic_fault.h"

#include "runtime/core/errors.h"

namespace rt {

// Code 11 is critical: raise_error shows its box and ends the process, so the faulting
// instruction is never resumed.
void arithmetic_fault_handler(int) { raise_error(kErrDivisionByZero); }

}  // namespace rt
