#include "runtime/strings/random.h"

#include <bit>

#include "runtime/core/errors.h"
#include "runtime/strings/seed_input.h"

namespace rt {

namespace {

constexpr uint32_t kDefaultSeed = 0x50000;
constexpr uint32_t kMultiplier = 0xFD43FD;
constexpr uint32_t kIncrement = 0xC39EC3;
constexpr uint32_t kStateMask = 0xFFFFFF;
constexpr float kStateRange = 16777216.0f;  // 2^24: every state is exact in a single
constexpr char kSeedPrompt[] = "Random-number seed (-32768 to 32767)? ";

struct RandomState {
  uint32_t seed = kDefaultSeed;
  uint32_t initial_seed = kDefaultSeed;
};

RandomState g_random;

void reseed_from_negative(float x) {
  const uint32_t bits = std::bit_cast<uint32_t>(x);
  g_random.seed = (bits & kStateMask) + (bits >> 24);
}

void advance() { g_random.seed = (g_random.seed * kMultiplier + kIncrement) & kStateMask; }

// Bits 8 to 23 of the state come from the seed; the low byte is kept from base.
void replace_seed_bits(uint32_t seed16, uint32_t base) {
  g_random.seed = ((seed16 & 0xFFFF) << 8) | (base & 0xFF);
}

// Folds the upper half of a double's bit pattern into 16 bits.
uint32_t fold_double(double value) {
  const auto high = static_cast<uint32_t>(std::bit_cast<uint64_t>(value) >> 32);
  return ((high >> 16) ^ high) & 0xFFFF;
}

}  // namespace

float random_number(float x, bool x_given) {
  if (error_pending()) return 0.0f;
  if (!x_given) x = 1.0f;
  if (x != 0.0f) {
    if (x < 0.0f) reseed_from_negative(x);
    advance();
  }
  return static_cast<float>(g_random.seed & kStateMask) / kStateRange;
}

void randomize(double value, int32_t form) {
  if (error_pending()) return;
  if (form == 1) {
    replace_seed_bits(fold_double(value), g_random.seed);
  } else if (form == 3) {
    replace_seed_bits(fold_double(value), g_random.initial_seed);
  } else {
    const std::optional<int16_t> typed = read_seed_line(kSeedPrompt);
    if (!typed) return;  // abandoned: an error or the program's end came first
    replace_seed_bits(static_cast<uint16_t>(*typed), g_random.seed);
  }
}

uint32_t random_seed_value() { return g_random.seed; }

}  // namespace rt
