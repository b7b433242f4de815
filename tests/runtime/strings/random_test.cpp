// The random-number sequence, its seeding forms and the typed-seed line input.
#include "runtime/strings/random.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/core/control_words.h"
#include "runtime/core/errors.h"
#include "runtime/core/low_memory.h"
#include "runtime/display/keyboard.h"
#include "runtime/screen/image.h"
#include "runtime/screen/screen_state.h"
#include "runtime/strings/seed_input.h"
#include "runtime/strings/string_storage.h"

namespace rt {
namespace {

constexpr float kTwoTo24 = 16777216.0f;

TEST(RandomNumber, AFreshRunStartsTheSameSequence) {
  // The first states after the default seed 0x50000.
  const uint32_t states[] = {0xB49EC3, 0x888E7A, 0x945B55, 0x4A20C4};
  for (uint32_t state : states) {
    EXPECT_EQ(random_number(0, false), static_cast<float>(state) / kTwoTo24);
  }
}

TEST(RandomNumber, FirstValueOfAFreshRun) {
  EXPECT_NEAR(random_number(1.0f, true), 0.7055475f, 1e-7f);
  EXPECT_EQ(random_seed_value(), 11837123u);
}

TEST(RandomNumber, ZeroRepeatsTheLastValueWithoutAdvancing) {
  EXPECT_EQ(random_number(0.0f, true), 0.01953125f);  // a fresh run: 0x50000 / 2^24
  const float first = random_number(5.0f, true);
  EXPECT_EQ(random_number(0.0f, true), first);
  EXPECT_EQ(random_number(-0.0f, true), first);
  EXPECT_EQ(random_seed_value(), 0xB49EC3u);
}

TEST(RandomNumber, NegativeArgumentsRestartASequenceOfTheirOwn) {
  const float from_minus_one = random_number(-1.0f, true);
  // -1.0 has the bit pattern 0xBF800000: state 0x8000BF, advanced once.
  EXPECT_EQ(from_minus_one, static_cast<float>(0x395886) / kTwoTo24);
  const float next = random_number(1.0f, true);
  random_number(1.0f, true);
  random_number(-0.5f, true);
  EXPECT_EQ(random_number(-1.0f, true), from_minus_one);
  EXPECT_EQ(random_number(1.0f, true), next);
  EXPECT_NE(random_number(-0.5f, true), from_minus_one);
}

TEST(RandomNumber, EveryValueLiesInTheUnitInterval) {
  for (int i = 0; i < 5000; ++i) {
    const float v = random_number(1.0f, true);
    ASSERT_GE(v, 0.0f);
    ASSERT_LT(v, 1.0f);
  }
}

TEST(Randomize, SeedingFromAValueReplacesTheMiddleBitsOnly) {
  random_number(1.0f, true);  // state 0xB49EC3: low byte 0xC3
  randomize(0.0, 1);
  EXPECT_EQ(random_seed_value(), 0xC3u);
  // 1.0 has the upper word 0x3FF00000, folded to 0x3FF0.
  randomize(1.0, 1);
  EXPECT_EQ(random_seed_value(), 0x3FF0C3u);
  // The fold mixes both halves of the upper word.
  randomize(-2.5, 1);  // upper word 0xC0040000
  EXPECT_EQ(random_seed_value(), ((0xC004u ^ 0x0000u) << 8) | 0xC3u);
  randomize(1e300, 1);  // upper word 0x7E37E43C
  EXPECT_EQ(random_seed_value(), ((0x7E37u ^ 0xE43Cu) << 8) | 0xC3u);
}

TEST(Randomize, TheRestartFormTakesTheLowByteOfTheInitialSeed) {
  random_number(1.0f, true);
  randomize(0.0, 3);
  EXPECT_EQ(random_seed_value(), 0u);  // 0x50000 has a zero low byte
  randomize(1.0, 3);
  EXPECT_EQ(random_seed_value(), 0x3FF000u);
}

TEST(Randomize, TheSameSeedAfterTheSameHistoryRepeatsTheSequence) {
  randomize(42.0, 1);
  const float a = random_number(1.0f, true);
  const float b = random_number(1.0f, true);
  randomize(42.0, 3);  // the low byte came from the initial seed both times
  EXPECT_EQ(random_number(1.0f, true), a);
  EXPECT_EQ(random_number(1.0f, true), b);
}

TEST(RandomErrors, NothingChangesWhileAnErrorIsPending) {
  random_number(1.0f, true);
  const uint32_t before = random_seed_value();
  raise_error(kErrIllegalFunctionCall);
  EXPECT_EQ(random_number(1.0f, true), 0.0f);
  EXPECT_EQ(random_number(-3.0f, true), 0.0f);
  randomize(7.0, 1);
  randomize(7.0, 3);
  randomize(7.0, 0);  // would otherwise wait for a typed seed
  EXPECT_EQ(random_seed_value(), before);
  clear_pending_error();
}

TEST(SeedLineParse, AcceptsWholeNumbersInSixteenBitsOnly) {
  struct Case {
    const char* text;
    std::optional<int16_t> value;
  };
  const Case cases[] = {
      {"0", 0},          {"12", 12},        {"-1", -1},        {"+5", 5},
      {"  77  ", 77},    {"32767", 32767},  {"-32768", -32768}, {"32768", std::nullopt},
      {"-32769", std::nullopt}, {"99999999999", std::nullopt}, {"", std::nullopt},
      {"   ", std::nullopt},    {"-", std::nullopt},   {"+", std::nullopt},
      {"++1", std::nullopt},    {"+-1", std::nullopt}, {"1.5", std::nullopt},
      {"12a", std::nullopt},    {"a12", std::nullopt}, {"1 2", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parse_seed_line(c.text), c.value) << '"' << c.text << '"';
  }
}

// The typed form reads keys already waiting in the keyboard ring and echoes on the
// first text screen.
class TypedSeed : public ::testing::Test {
 protected:
  void SetUp() override {
    initialise_low_memory();
    initialise_string_storage();
    initialise_screen();
    initialise_keyboard();
  }

  static void type(const std::string& keys) {
    for (char c : keys) {
      translate_char_key(static_cast<unsigned char>(c), true, 0);
      translate_char_key(static_cast<unsigned char>(c), false, 0);
    }
  }

  // The characters of a text row of the screen, trailing spaces removed.
  static std::string screen_row(int row) {
    const Image* screen = destination();
    std::string text;
    for (int column = 0; column < screen->width; ++column) {
      text.push_back(static_cast<char>(screen->pixels[((row - 1) * screen->width + column) * 2]));
    }
    return text.substr(0, text.find_last_not_of(' ') + 1);
  }
};

TEST_F(TypedSeed, ATypedNumberSeedsTheMiddleBitsWithoutFolding) {
  random_number(1.0f, true);  // low byte 0xC3
  type("-1\r");
  randomize(0.0, 2);
  EXPECT_EQ(random_seed_value(), 0xFFFFC3u);
  EXPECT_EQ(screen_row(1), "Random-number seed (-32768 to 32767)? -1");
  EXPECT_EQ(destination()->cursor_y, 2);
}

TEST_F(TypedSeed, BackspaceTakesTheLastCharacterBackOnScreenToo) {
  type("19\b2\r");
  randomize(0.0, 0);
  EXPECT_EQ(random_seed_value(), 12u << 8);
  EXPECT_EQ(screen_row(1), "Random-number seed (-32768 to 32767)? 12");
}

TEST_F(TypedSeed, AnythingButANumberInRangeIsAskedForAgain) {
  type("abc\r40000\r\r12\r");
  randomize(0.0, 5);
  EXPECT_EQ(random_seed_value(), 12u << 8);
  EXPECT_EQ(screen_row(1), "Random-number seed (-32768 to 32767)? abc");
  EXPECT_EQ(screen_row(2), "Random-number seed (-32768 to 32767)? 40000");
  EXPECT_EQ(screen_row(3), "Random-number seed (-32768 to 32767)?");
  EXPECT_EQ(screen_row(4), "Random-number seed (-32768 to 32767)? 12");
  EXPECT_FALSE(error_pending());
}

TEST_F(TypedSeed, ExtendedKeysAndControlCharactersAreNotTyped) {
  key_pressed(0x3B00);  // F1
  type("\t7\x1b\r");
  randomize(0.0, 2);
  EXPECT_EQ(random_seed_value(), 7u << 8);
}

TEST_F(TypedSeed, AnAbandonedInputLeavesTheSeedAlone) {
  type("123");  // no Enter yet
  exit_in_progress.store(1);
  randomize(0.0, 2);
  EXPECT_EQ(random_seed_value(), 0x50000u);
  EXPECT_EQ(random_number(0.0f, true), 0.01953125f);
}

}  // namespace
}  // namespace rt
