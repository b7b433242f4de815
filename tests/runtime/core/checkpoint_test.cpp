#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "box_recorder.h"
#include "runtime/core/checkpoint.h"
#include "runtime/core/control_words.h"
#include "runtime/core/errors.h"
#include "runtime/core/events.h"

namespace {

using frame_test::BoxRecorder;
using frame_test::eventually;
using frame_test::report_boxes_on_stderr;
using host::MessageBoxAnswer;
using host::MessageBoxButtons;

class CheckpointTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(CheckpointTest, DialogTextAndCaption) {
  struct Case {
    rt::ErrorCode code;
    uint32_t line;
    const char* text;
    const char* caption;
  };
  const Case cases[] = {
      {3, 79, "Line:79\nRETURN without GOSUB\nContinue?", "Unhandled Error #3"},
      {15, 0, "Line:0\nUnprintable error\nContinue?", "Unhandled Error #15"},
      {299, 4294967295u, "Line:4294967295\nUnprintable error\nContinue?", "Unhandled Error #299"},
      {300, 1, "Line:1\nMemory region out of range", "Critical Error #300"},
      {313, 2, "Line:2\nSource and destination memory have been freed", "Critical Error #313"},
      {314, 2, "Line:2\nUnprintable error\nContinue?", "Unhandled Error #314"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(rt::error_dialog_text(c.code, c.line), c.text) << c.code;
    EXPECT_EQ(rt::error_dialog_caption(c.code), c.caption) << c.code;
  }
}

TEST_F(CheckpointTest, YesClearsTheErrorAndTheScriptGoesOn) {
  BoxRecorder boxes(MessageBoxAnswer::Yes);
  rt::raise_error(5);
  rt::statement_checkpoint(42);
  auto shown = boxes.boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Line:42\nIllegal function call\nContinue?");
  EXPECT_EQ(shown[0].caption, "Unhandled Error #5");
  EXPECT_EQ(shown[0].buttons, MessageBoxButtons::YesNo);
  EXPECT_EQ(rt::pending_error(), 0u);
  EXPECT_EQ(rt::error_line(), 42u);
  EXPECT_EQ(rt::event_pending.load(), 0u);
  EXPECT_EQ(rt::stop_requested.load(), 0u);
  // The next statement runs normally: a checkpoint with nothing pending shows nothing.
  rt::statement_checkpoint(43);
  EXPECT_EQ(boxes.boxes().size(), 1u);
}

TEST_F(CheckpointTest, TwoErrorsInOneStatementShowOnlyTheFirst) {
  BoxRecorder boxes(MessageBoxAnswer::Yes);
  rt::raise_error(9);
  rt::raise_error(13);
  rt::statement_checkpoint(7);
  auto shown = boxes.boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "Unhandled Error #9");
}

TEST_F(CheckpointTest, NoRequestsTheStopAndParksTheScript) {
  BoxRecorder boxes(MessageBoxAnswer::No);
  std::atomic<bool> went_on{false};
  std::thread script([&] {
    rt::raise_error(3);
    rt::statement_checkpoint(10);
    went_on = true;
  });
  script.detach();
  ASSERT_TRUE(eventually([] { return (rt::parked_threads.load() & 1u) != 0; }));
  EXPECT_EQ(rt::stop_requested.load(), 1u);
  EXPECT_EQ(boxes.boxes().size(), 1u);
  EXPECT_FALSE(went_on.load());
}

TEST_F(CheckpointTest, AnOkAnswerToTheYesNoBoxCountsAsNo) {
  BoxRecorder boxes(MessageBoxAnswer::Ok);
  std::thread([] {
    rt::raise_error(6);
    rt::statement_checkpoint(1);
  }).detach();
  ASSERT_TRUE(eventually([] { return (rt::parked_threads.load() & 1u) != 0; }));
  EXPECT_EQ(rt::stop_requested.load(), 1u);
}

TEST_F(CheckpointTest, MemoryBlockErrorShowsOkOnlyAndEndsTheProcess) {
  EXPECT_EXIT(
      {
        report_boxes_on_stderr(MessageBoxAnswer::Ok);
        rt::raise_error(301);
        rt::statement_checkpoint(12);
        std::_Exit(7);
      },
      ::testing::ExitedWithCode(0),
      "BOX caption=\\[Critical Error #301\\] text=\\[Line:12~Invalid size\\] buttons=OK");
}

TEST_F(CheckpointTest, PausedScriptWaitsBeforeShowingTheError) {
  BoxRecorder boxes(MessageBoxAnswer::Yes);
  rt::paused.store(1);
  rt::raise_error(5);
  std::atomic<bool> returned{false};
  std::thread script([&] {
    rt::statement_checkpoint(3);
    returned = true;
  });
  // event_pending is cleared on entry, so the thread is now held by the pause.
  ASSERT_TRUE(eventually([] { return rt::event_pending.load() == 0; }));
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_FALSE(returned.load());
  rt::paused.store(0);
  script.join();
  EXPECT_TRUE(returned.load());
  EXPECT_EQ(boxes.boxes().size(), 1u);
}

TEST_F(CheckpointTest, ExitInProgressParksEvenWithAnErrorPending) {
  BoxRecorder boxes(MessageBoxAnswer::Yes);
  rt::raise_error(5);
  rt::exit_in_progress.store(1);
  std::thread([] { rt::statement_checkpoint(1); }).detach();
  ASSERT_TRUE(eventually([] { return (rt::parked_threads.load() & 1u) != 0; }));
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(rt::stop_requested.load(), 0u);
}

TEST_F(CheckpointTest, DispatchRetiresDueTimedAndKeyEventsAndWakesSleepers) {
  rt::resize_timed_event_table(3);
  rt::TimedEvent* due = rt::timed_event(2);
  *due = rt::TimedEvent{1, 77, 0, 1, 1, 1.0, 5.0};
  rt::TimedEvent* off = rt::timed_event(1);
  *off = rt::TimedEvent{1, 78, 0, 0, 1, 1.0, 5.0};  // state off: left alone
  rt::KeyEvent* key = rt::key_event(4);
  key->handler = 9;
  key->state = 1;
  key->pending = 2;
  rt::KeyEvent* unhandled = rt::key_event(5);
  unhandled->state = 1;
  unhandled->pending = 1;  // no handler: left alone

  rt::statement_checkpoint(1);

  EXPECT_EQ(due->pending, 0);
  EXPECT_EQ(off->pending, 1);
  EXPECT_EQ(key->pending, 0);
  EXPECT_EQ(unhandled->pending, 1);
  EXPECT_EQ(rt::key_press_signal.load(), 1u);
}

TEST_F(CheckpointTest, NoDispatchWhileAnErrorIsPending) {
  BoxRecorder boxes(MessageBoxAnswer::Yes);
  rt::KeyEvent* key = rt::key_event(1);
  key->handler = 9;
  key->state = 1;
  key->pending = 1;
  rt::raise_error(5);
  rt::dispatch_events();
  EXPECT_EQ(key->pending, 1);
  // After the Yes answer the checkpoint returns without dispatching either; the next
  // checkpoint does.
  rt::statement_checkpoint(1);
  EXPECT_EQ(key->pending, 1);
  rt::statement_checkpoint(2);
  EXPECT_EQ(key->pending, 0);
}

}  // namespace
