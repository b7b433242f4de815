// Whole games played headless: scripted keys, a fake clock, every screen read back as
// text from the frames the window would draw. Each test runs in a process of its own.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <thread>

#include "runtime/core/errors.h"
#include "tests/game/game_driver.h"

namespace mw_test {
namespace {

namespace t = game::text;

// The streets and their connections, as the player finds them.
struct Street {
  const char* first_line;
  std::map<char, int> exits;  // direction letter -> location
};
const std::map<int, Street>& streets() {
  static const std::map<int, Street> s = {
      {1, {t::kStreet1a, {{'S', 2}}}},
      {2, {t::kStreet2, {{'N', 1}, {'E', 3}, {'S', 4}}}},
      {3, {t::kStreet3a, {{'W', 2}}}},
      {4, {t::kStreet4a, {{'N', 2}, {'W', 5}}}},
      {5, {t::kStreet5a, {{'E', 4}, {'S', 6}}}},
      {6, {t::kStreet6a, {{'N', 5}, {'E', 7}}}},
      {7, {t::kStreet7a, {{'W', 6}, {'E', 8}}}},
      {8, {t::kStreet8a, {{'N', 9}, {'W', 7}}}},
      {9, {t::kStreet9, {{'S', 8}}}},
  };
  return s;
}

int location_on(const Screen& s) {
  for (const auto& [number, street] : streets())
    if (s.row(20) == street.first_line) return number;
  return 0;
}

std::string spaces(size_t n) { return std::string(n, ' '); }

// Rows 14 to 16 of a turn at a location: N and S in column 39, W in 37, E in 41.
void expect_compass(const Screen& s, int location) {
  const auto& exits = streets().at(location).exits;
  auto has = [&](char d) { return exits.count(d) != 0; };
  EXPECT_EQ(s.row(14), has('N') ? spaces(38) + "N" : "") << "location " << location;
  EXPECT_EQ(s.row(15), "*" + std::string(33, '-') + "* " + (has('W') ? "W" : " ") + " + " +
                           (has('E') ? "E" : " ") + " *" + std::string(36, '-') + "*")
      << "location " << location;
  EXPECT_EQ(s.row(16), has('S') ? spaces(38) + "S" : "") << "location " << location;
}

// Gives the script time to act on a key when the screen does not change (the test then
// checks that it did not). Generous: test processes run two at a time, also under the
// sanitizer, and a loaded machine can hold the script back.
void settle() { std::this_thread::sleep_for(std::chrono::seconds(1)); }

// A key for a screen that throws away the keys typed before it waits: given once the
// screen has had time to start waiting.
void key_on_screen(int32_t code) {
  settle();
  tap_key(code);
}

bool ends_game_prompt(const Screen& s) { return s.row(kBottomRow) == kEndPrompt; }

// The end prompt drains the keys typed before it shows, so the key comes once it is seen.
void expect_exit_after_key() {
  ASSERT_TRUE(wait_for_text(kEndPrompt)) << current_screen().text();
  tap_key('k');
  ASSERT_TRUE(wait_for_exit()) << current_screen().text();
  EXPECT_EQ(exit_code(), 0);
}

TEST(PlayTest, TurnScreenLayout) {
  GameDriver game;
  Screen s = game.leave_introduction();
  EXPECT_EQ(clock_on(s), clock_text(game.remaining_ms()));
  EXPECT_EQ(s.row(1), "");
  for (int row : {3, 4, 5, 7, 9, 11, 13, 17, 19}) EXPECT_EQ(s.row(row), "") << row;
  EXPECT_EQ(s.row(6), spaces(28) + "Marrowick");
  EXPECT_EQ(s.row(8).find_first_not_of(' '), 33u);
  EXPECT_EQ(s.row(10).find_first_not_of(' '), 32u);
  EXPECT_EQ(s.row(12).find_first_not_of(' '), 29u);
  expect_compass(s, 1);
  EXPECT_EQ(s.row(18), "If you are stuck just type HELP.");
  EXPECT_EQ(s.row(20), t::kStreet1a);
  EXPECT_EQ(s.row(21), t::kStreet1b);
  EXPECT_EQ(s.row(22), ">");
  EXPECT_EQ(s.ink_of_row(20), kLightGreyInk);
  // Typed text starts in column 3, after the prompt. A key read in one pass is drawn by
  // the next one.
  type_text("s");
  EXPECT_EQ(game.pass().row(22), ">");
  EXPECT_EQ(game.pass().row(22), "> S");
}

TEST(PlayTest, ShortestPathToTheMonsterAndTheWin) {
  GameDriver game;
  game.leave_introduction();
  Screen s;
  for (const char* move : {"s", "s", "w", "s", "e", "e"}) s = game.command(move);
  ASSERT_EQ(location_on(s), 8) << s.text();
  EXPECT_EQ(s.row(21), t::kStreet8b);

  game.type_line("use crowbar");
  ASSERT_TRUE(wait_for_text(t::kOnWhat));
  key_on_screen(' ');
  auto win = wait_for_text(t::kWin3);
  ASSERT_TRUE(win);
  EXPECT_EQ(win->row(1), t::kWin1);
  EXPECT_EQ(win->row(2), t::kWin2);
  EXPECT_EQ(win->row(3), t::kWin3);
  EXPECT_EQ(win->ink_of_row(1), kGreenInk);
  // The win ending waits for a key of its own before the end-of-program prompt.
  settle();
  EXPECT_FALSE(ends_game_prompt(current_screen()));
  tap_key(' ');
  auto end = wait_for_screen(ends_game_prompt);
  ASSERT_TRUE(end) << current_screen().text();
  EXPECT_EQ(end->row(1), t::kWin1);
  EXPECT_FALSE(process_ended());
  expect_exit_after_key();
}

// Every location's compass and text, every move alias, and every move without an exit.
TEST(PlayTest, WalkingEveryStreetWithEveryMoveWord) {
  GameDriver game;
  Screen s = game.leave_introduction();
  int here = 1;
  const std::map<char, std::vector<std::string>> words = {
      {'N', {"GO NORTH", "NORTH", "N", "go north", " north ", "n"}},
      {'E', {"GO EAST", "EAST", "E", "go east", " east ", "e"}},
      {'S', {"GO SOUTH", "SOUTH", "S", "go south", " south ", "s"}},
      {'W', {"GO WEST", "WEST", "W", "go west", " west ", "w"}},
  };
  std::map<char, size_t> next_word;
  std::set<int> visited;
  // A walk that crosses every connection both ways: 1 2 3 2 4 5 6 7 8 9 8 7 6 5 4 2 1.
  const std::string walk = "SEWSWSEENSWWNENN";
  for (char direction : walk) {
    visited.insert(here);
    expect_compass(s, here);
    // Each direction the street does not open onto leaves the turn as it was.
    for (char blocked : std::string("NESW")) {
      if (streets().at(here).exits.count(blocked)) continue;
      Screen after = game.command(std::string(1, blocked));
      EXPECT_EQ(location_on(after), here) << "moved " << blocked << " from " << here;
    }
    const auto& list = words.at(direction);
    const std::string& word = list[next_word[direction]++ % list.size()];
    s = game.command(word);
    const int expected = streets().at(here).exits.at(direction);
    ASSERT_EQ(location_on(s), expected) << "'" << word << "' from " << here << "\n" << s.text();
    here = expected;
  }
  EXPECT_EQ(visited.size(), 9u);
}

TEST(PlayTest, OneCommandMovesAtMostOneStep) {
  GameDriver game;
  game.leave_introduction();
  game.command("s");
  ASSERT_EQ(location_on(game.command("s")), 4);
  // From 4, north leads to 2; the test for 2 -> 1 that follows must not run.
  EXPECT_EQ(location_on(game.command("n")), 2);
  // Two spaces inside a command make it a different command.
  EXPECT_EQ(location_on(game.command("go  north")), 2);
}

TEST(PlayTest, CommandsWithoutEffectRedrawTheSameTurn) {
  GameDriver game;
  Screen before = game.leave_introduction();
  for (const char* line : {"DRINK", "UNLOCK", "TAKE", "", "EXAMINE MONSTER", "JUMP", "GO"}) {
    Screen after = game.command(line);
    // The same turn apart from the clock: no message, nothing moved.
    for (int row = 3; row <= kBottomRow; ++row)
      EXPECT_EQ(after.row(row), before.row(row)) << "'" << line << "' row " << row;
  }
}

TEST(PlayTest, HelpNeedsTwoKeys) {
  GameDriver game;
  game.leave_introduction();
  for (const char* word : {"HELP", "h"}) {
    game.type_line(word);
    auto help = wait_for_text("PRESS ANY KEY...");
    ASSERT_TRUE(help) << word;
    const std::vector<std::string> expected = {
        "HERE ARE SOME BASIC COMMANDS THAT CAN BE USED IN THE GAME...",
        "",
        "NORTH, EAST ,SOUTH, AND WEST - MOVE TO AN AVAILABLE LOCATION",
        "EXAMINE (OBJECT)             - EXAMINE AN OBJECT",
        "USE (OBJECT)                 - USE AN OBJECT",
        "TAKE (OBJECT)                - TAKE OR MOVE AN OBJECT",
        "INVENTORY                    - VIEW YOUR INVENTORY",
        "DRINK                        - DRINK BEER",
        "UNLOCK                       - UNLOCK DOOR",
        "HELP                         - VIEW THIS SCREEN",
        "END                          - END GAME",
        "",
        "PRESS ANY KEY...",
    };
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(help->row(int(i) + 1), expected[i]);
    // The first key only ends the sleep. The keys still in the keyboard ring (the letters
    // of the command itself) and that key are thrown away, so a second key is needed.
    key_on_screen('a');
    settle();
    EXPECT_TRUE(current_screen().contains("PRESS ANY KEY...")) << word;
    tap_key('x');
    Screen back = game.next_prompt();
    EXPECT_EQ(location_on(back), 1);
    EXPECT_EQ(back.row(22), ">");
  }
}

TEST(PlayTest, InventoryAndExamineScreensTakeOneKey) {
  GameDriver game;
  game.leave_introduction();
  for (const char* word : {"INVENTORY", "INV", "ITEMS", "I", "inv"}) {
    game.type_line(word);
    // Frames are composed while the script prints: the screen is read once its last
    // line shows, not from a frame caught half way.
    auto inv = wait_for_screen([](const Screen& s) {
      return s.contains("INVENTORY...") && s.contains("PRESS ANY KEY...");
    });
    ASSERT_TRUE(inv) << word;
    EXPECT_EQ(inv->row(1), "INVENTORY...");
    EXPECT_EQ(inv->row(2), "");
    EXPECT_EQ(inv->row(3), "A rusted old crowbar.");
    EXPECT_EQ(inv->row(4), "");
    EXPECT_EQ(inv->row(5), "PRESS ANY KEY...");
    key_on_screen(' ');
    EXPECT_EQ(location_on(game.next_prompt()), 1) << word;
  }
  game.type_line("examine crowbar");
  auto crowbar = wait_for_text(t::kCrowbar2);
  ASSERT_TRUE(crowbar);
  EXPECT_EQ(crowbar->row(1), t::kCrowbar1);
  EXPECT_EQ(crowbar->row(2), t::kCrowbar2);
  key_on_screen(' ');
  EXPECT_EQ(location_on(game.next_prompt()), 1);

  // Away from the monster the crowbar is used on nothing, and the turn comes back.
  game.type_line("USE CROWBAR");
  auto on_what = wait_for_text(t::kOnWhat);
  ASSERT_TRUE(on_what);
  EXPECT_EQ(on_what->row(1), "On what?");
  key_on_screen(' ');
  EXPECT_EQ(location_on(game.next_prompt()), 1);
}

TEST(PlayTest, TheMonsterCanBeExaminedOnlyWhereItStands) {
  GameDriver game;
  game.leave_introduction();
  for (const char* move : {"s", "s", "w", "s", "e", "e"}) game.command(move);
  game.type_line("EXAMINE MONSTER");
  auto monster = wait_for_text(t::kMonster3);
  ASSERT_TRUE(monster);
  EXPECT_EQ(monster->row(1), t::kMonster1);
  EXPECT_EQ(monster->row(2), t::kMonster2);
  EXPECT_EQ(monster->row(3), t::kMonster3);
  key_on_screen(' ');
  EXPECT_EQ(location_on(game.next_prompt()), 8);
  // Beyond the monster, at the dead end, there is nothing to examine.
  ASSERT_EQ(location_on(game.command("n")), 9);
  EXPECT_EQ(location_on(game.command("examine monster")), 9);
}

class QuitTest : public ::testing::TestWithParam<const char*> {};

TEST_P(QuitTest, EndsOverTheTurnScreen) {
  GameDriver game;
  game.leave_introduction();
  game.command("s");
  game.type_line(GetParam());
  auto end = wait_for_screen(ends_game_prompt);
  ASSERT_TRUE(end) << current_screen().text();
  EXPECT_EQ(end->row(20), t::kStreet2);  // the turn stays on screen
  EXPECT_EQ(end->row(6), spaces(28) + "Marrowick");
  EXPECT_FALSE(process_ended());
  expect_exit_after_key();
}
INSTANTIATE_TEST_SUITE_P(EveryWord, QuitTest,
                         ::testing::Values("END", "QUIT", "EXIT", "Q", "quit"));

TEST(PlayTest, DeathIsFollowedAtOnceByTheEndPrompt) {
  GameDriver game;
  game.leave_introduction();
  game.type_line("run home");
  // The keys typed for the command are still in the keyboard ring: no key is needed.
  auto end = wait_for_screen(ends_game_prompt);
  ASSERT_TRUE(end) << current_screen().text();
  EXPECT_EQ(end->row(1), t::kDeath1);
  EXPECT_EQ(end->row(2), t::kDeath2);
  EXPECT_EQ(end->row(3), t::kDeath3);
  EXPECT_EQ(end->row(4), t::kDeath4);
  EXPECT_EQ(end->row(5), "");
  EXPECT_EQ(end->ink_of_row(1), kGreenInk);
  EXPECT_FALSE(process_ended());
  expect_exit_after_key();
}

TEST(PlayTest, TimeOutArrivesWithinOnePassEvenWhileTyping) {
  GameDriver game;
  game.leave_introduction();
  Screen s = game.pass_with_remaining(1);
  EXPECT_EQ(clock_on(s), "   0: 0.001");
  type_text("nor");
  advance_clock_ms(kPassMs);
  auto out = wait_for_text(t::kTimeOut2);
  ASSERT_TRUE(out) << current_screen().text();
  EXPECT_EQ(out->row(1), t::kTimeOut1);
  EXPECT_EQ(out->row(2), t::kTimeOut2);
  EXPECT_EQ(out->ink_of_row(1), kLightGreyInk);
  auto end = wait_for_screen(ends_game_prompt);
  ASSERT_TRUE(end);
  EXPECT_EQ(end->row(1), t::kTimeOut1);
  expect_exit_after_key();
}

TEST(PlayTest, TimeSpentOnTheHelpScreenCounts) {
  GameDriver game;
  game.leave_introduction();
  game.type_line("help");
  ASSERT_TRUE(wait_for_text("PRESS ANY KEY..."));
  advance_clock_ms(game.remaining_ms() + 1);
  key_on_screen(' ');
  settle();
  tap_key(' ');
  // The next reader's first pass finds no time left; the clock does not move again.
  auto out = wait_for_text(t::kTimeOut2);
  ASSERT_TRUE(out) << current_screen().text();
  expect_exit_after_key();
}

TEST(PlayTest, TheCountdownStartsWhenTheIntroductionIsLeft) {
  GameDriver game;
  Screen s = game.leave_introduction(5 * 60 * 1000);
  // The driver has matched the clock against the time since the key: check the figure.
  EXPECT_GE(game.remaining_ms(), kCountdownMs - 5 * kPassMs);
  EXPECT_EQ(clock_on(s), clock_text(game.remaining_ms()));
  EXPECT_EQ(clock_on(game.pass_with_remaining(599'500)), "   9:59.500");
}

TEST(PlayTest, ClockValues) {
  GameDriver game;
  game.leave_introduction();
  const std::pair<int64_t, const char*> cases[] = {
      {60'200, "   1: 0.200"}, {59'700, "   0:59.700"}, {10'000, "   0:10.000"}, {1, "   0: 0.001"}};
  for (const auto& [left_ms, shown] : cases)
    EXPECT_EQ(clock_on(game.pass_with_remaining(left_ms)), shown) << left_ms;
}

TEST(PlayTest, CountdownRunsOnAcrossMidnight) {
  HeadlessOptions options;
  options.time_of_day_ms = (23u * 3600u + 59u * 60u + 50u) * 1000u;  // 23:59:50
  GameDriver game(options);
  game.leave_introduction();
  Screen s = game.pass_with_remaining(580'000);  // 00:00:10 of the next day
  EXPECT_EQ(clock_on(s), "   9:40.000");
  // Still a running game, not one with a day on the clock.
  EXPECT_EQ(clock_on(game.pass_with_remaining(1'000)), "   0: 1.000");
  advance_clock_ms(2'000);
  EXPECT_TRUE(wait_for_text(t::kTimeOut1));
}

TEST(PlayTest, AKeyTypedDuringStartUpSkipsTheIntroduction) {
  HeadlessOptions options;
  options.keys_before_start = {'z'};
  GameDriver game(options);
  // The countdown starts with the program: the introduction never waits.
  game.countdown_from(fake_now_ms());
  Screen s = game.await_prompt(1);
  EXPECT_EQ(location_on(s), 1);
  EXPECT_GE(game.remaining_ms(), kCountdownMs - 5 * kPassMs);
}

TEST(PlayTest, TypingIsUpperCasedEditedAndFiltered) {
  GameDriver game;
  game.leave_introduction();
  tap_key(8);  // Backspace on an empty line
  EXPECT_EQ(game.pass().row(22), ">");
  game.pass();  // its release
  type_text("aB1.,?-");
  Screen s;
  for (int i = 0; i < 14; ++i) s = game.pass();
  EXPECT_EQ(s.row(22), "> AB");
  tap_key(8);
  s = game.pass();
  s = game.pass();
  EXPECT_EQ(s.row(22), "> A");
  // Extended keys and releases are ignored too.
  tap_key(0x4800);
  s = game.pass();
  s = game.pass();
  EXPECT_EQ(s.row(22), "> A");
}

TEST(PlayTest, KeysTypedWhileTheTurnIsRedrawnAreThrownAway) {
  GameDriver game;
  game.leave_introduction();
  // "s" and Enter, then more keys before the next turn has been drawn.
  type_text("s\nsss\n");
  for (int i = 0; i < 3; ++i) game.pass();
  Screen s = game.next_prompt();
  EXPECT_EQ(location_on(s), 2);
  EXPECT_EQ(s.row(21), ">");
  s = game.pass();
  EXPECT_EQ(location_on(s), 2);
}

TEST(PlayTest, AVeryLongLineWrapsAndIsAnIgnoredCommand) {
  GameDriver game;
  game.leave_introduction();
  const std::string line(200, 'x');
  Screen s = game.type_line(line);
  // The 200 letters do not fit behind the prompt: they start on the next row and wrap.
  EXPECT_EQ(s.row(22), ">");
  EXPECT_EQ(s.row(23), std::string(80, 'X'));
  EXPECT_EQ(s.row(24), std::string(80, 'X'));
  EXPECT_EQ(s.row(25), std::string(40, 'X'));
  s = game.next_prompt();
  EXPECT_EQ(location_on(s), 1);
  EXPECT_EQ(s.row(22), ">");
}

// An error raised while the introduction waits: the dialog names the waiting statement;
// the wait counts as ended and the game goes on.
TEST(PlayTest, AnErrorDuringTheIntroductionIsReportedWithItsLine) {
  GameDriver game;
  ASSERT_TRUE(wait_for_text(t::kIntro4));
  // Nothing on screen tells that the script has reached its key wait after the last line;
  // an error raised before it would leave the wait to a key. A loaded machine (two test
  // processes under the sanitizer) can hold the script back for a while, so allow ample.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  rt::raise_error(rt::kErrIllegalFunctionCall);
  auto s = wait_for_screen([](const Screen& s) { return location_on(s) == 1; });
  ASSERT_TRUE(s) << current_screen().text();
  auto boxes = message_boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Unhandled Error #5");
  EXPECT_EQ(boxes[0].text, "Line:34\nIllegal function call\nContinue?");
}

TEST(PlayTest, AnErrorAnsweredNoEndsWithoutTheEndPrompt) {
  GameDriver game;
  ASSERT_TRUE(wait_for_text(t::kIntro4));
  set_message_box_answer(host::MessageBoxAnswer::No);
  rt::raise_error(rt::kErrIllegalFunctionCall);
  ASSERT_TRUE(wait_for_exit());
  EXPECT_EQ(exit_code(), 0);
  EXPECT_FALSE(ends_game_prompt(current_screen()));
}

}  // namespace
}  // namespace mw_test
