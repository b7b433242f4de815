// The script's own pieces without the threads: the exits table and its bounds, the
// countdown across midnight, subroutine returns, and the reader entered with an error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/script.h"
#include "game/statements.h"
#include "runtime/core/control_words.h"
#include "runtime/core/errors.h"
#include "runtime/core/return_stack.h"
#include "runtime/host/host.h"
#include "runtime/strings/string_storage.h"

namespace {

std::string text_of(const rt::StringValue* s) {
  return std::string(reinterpret_cast<const char*>(s->data), static_cast<size_t>(s->length));
}

class GamePiecesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rt::clear_pending_error();
    rt::event_pending.store(0);
    rt::initialise_string_storage();
    host::set_message_box_hook([this](const std::string& text, const std::string& caption,
                                      host::MessageBoxButtons) {
      boxes.push_back(caption + "|" + text);
      return host::MessageBoxAnswer::Yes;
    });
    game::allocate_game_state();
    game::begin_statements();
  }
  void TearDown() override { host::set_message_box_hook(nullptr); }

  std::vector<std::string> boxes;
};

TEST_F(GamePiecesTest, ExitsAreIndexedFromOneToNine) {
  for (int i = 1; i <= 9; ++i) game::assign_exit(i, game::literal(std::to_string(i * 11)));
  EXPECT_FALSE(rt::error_pending());
  EXPECT_EQ(text_of(game::exit_text(1)), "11");
  EXPECT_EQ(text_of(game::exit_text(9)), "99");
  // A single location rounds to the nearest index, ties to the even one.
  EXPECT_EQ(text_of(game::exit_text(2.5f)), "22");
  EXPECT_EQ(text_of(game::exit_text(3.5f)), "44");
}

TEST_F(GamePiecesTest, AnIndexOutsideTheExitsRaisesNineAndWritesNothing) {
  for (int i = 1; i <= 9; ++i) game::assign_exit(i, game::literal("OLD"));
  for (int bad : {0, 10, -1}) {
    game::assign_exit(bad, game::literal("NEW"));
    EXPECT_EQ(rt::pending_error(), rt::kErrSubscriptOutOfRange) << bad;
    rt::clear_pending_error();
  }
  for (int i = 1; i <= 9; ++i) EXPECT_EQ(text_of(game::exit_text(float(i))), "OLD") << i;
  // A read outside the bounds uses the first element.
  game::assign_exit(1, game::literal("FIRST"));
  EXPECT_EQ(text_of(game::exit_text(12.0f)), "FIRST");
  EXPECT_EQ(rt::pending_error(), rt::kErrSubscriptOutOfRange);
}

TEST_F(GamePiecesTest, SecondsLeftFollowTheTimerAcrossMidnight) {
  struct Case {
    double deadline, now;
    long double left;
  };
  const Case cases[] = {
      {36'600.0, 36'000.0, 600},      // the countdown starts
      {36'600.0, 36'601.5, -1.5},     // just past the deadline
      {86'990.0, 86'395.0, 595},      // deadline beyond midnight, not reached yet
      {86'990.0, 10.0, 580},          // the timer has wrapped: not a day and 580 s
      {86'990.0, 600.0, -10},         // wrapped and past the deadline
      {600.0, 86'000.0, -85'400},     // a deadline long gone stays gone
  };
  for (const Case& c : cases)
    EXPECT_EQ(game::seconds_left(c.deadline, c.now), c.left) << c.deadline << " " << c.now;
}

TEST_F(GamePiecesTest, AReturnWithoutACallIsReportedWithItsLine) {
  ASSERT_EQ(rt::return_stack_top(), 0);
  game::return_from_subroutine(79);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "Unhandled Error #3|Line:79\nRETURN without GOSUB\nContinue?");
  // Answered Yes: the script goes on with the next statement, nothing pending.
  EXPECT_FALSE(rt::error_pending());
}

void called_routine() {
  EXPECT_EQ(rt::return_stack_top(), 1);
  game::return_from_subroutine(181);
}

TEST_F(GamePiecesTest, ACallReturnsToItsCaller) {
  game::gosub(game::kFirstStreetReturnPoint, called_routine);
  EXPECT_EQ(rt::return_stack_top(), 0);
  EXPECT_FALSE(rt::error_pending());
  EXPECT_TRUE(boxes.empty());
}

TEST_F(GamePiecesTest, TheReaderEnteredWithAnErrorReturnsAnEmptyTextAtOnce) {
  rt::raise_error(rt::kErrIllegalFunctionCall);
  // Nothing else has been set up: the reader must not touch the screen or the keyboard.
  rt::StringValue* typed = game::timed_reader();
  ASSERT_NE(typed, nullptr);
  EXPECT_EQ(typed->length, 0);
  EXPECT_EQ(rt::pending_error(), rt::kErrIllegalFunctionCall);
}

// The after-statement step releases what the statement made, whatever it was.
TEST_F(GamePiecesTest, TemporariesLiveForOneStatement) {
  const int32_t before = rt::temporary_mark();
  for (int i = 0; i < 1000; ++i) {
    game::literal("a literal");
    game::equals(game::literal("X"), "X");
    game::after_statement(1);
  }
  EXPECT_EQ(rt::temporary_mark(), before);
}

}  // namespace
