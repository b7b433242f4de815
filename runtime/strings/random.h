// Pseudo-random numbers: a 24-bit linear congruential sequence with a repeatable
// default start, values in [0, 1) in single precision.
#pragma once

#include <cstdint>

namespace rt {

// Without an argument x counts as 1. x = 0 repeats the last value; a negative x restarts
// the sequence from x itself. Returns 0 while a run-time error is pending.
float random_number(float x, bool x_given);

// Form 1 seeds from the value, form 3 restarts from the value and the initial seed, any
// other form asks the user to type a seed. Does nothing while an error is pending.
void randomize(double value, int32_t form);

// The generator state (low 24 bits); for tests and diagnostics.
uint32_t random_seed_value();

}  // namespace rt
