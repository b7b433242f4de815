// The timed command reader: the player types a line while the countdown clock in the
// title area keeps running, at most 30 passes a second. Each pass starts again from the
// screen saved on page 1, so the text and the clock of the previous pass vanish.
#include <cmath>

#include "game/game_state.h"
#include "game/script.h"
#include "game/statements.h"
#include "game/texts.h"
#include "runtime/core/program.h"
#include "runtime/display/keyboard.h"
#include "runtime/display/refresh.h"
#include "runtime/screen/screen_state.h"
#include "runtime/screen/text_output.h"
#include "runtime/strings/number_format.h"
#include "runtime/strings/string_ops.h"
#include "runtime/strings/string_storage.h"
#include "runtime/strings/timing.h"

namespace game {

namespace {

constexpr int32_t kVisiblePage = 0;
constexpr int32_t kSavedPage = 1;
constexpr double kPassesPerSecond = 30;
constexpr int32_t kClockRow = 2;
constexpr int32_t kClockColumn = 32;
constexpr uint32_t kRowAndColumn = rt::CURSOR_ROW_GIVEN | rt::CURSOR_COLUMN_GIVEN;

constexpr float kBackspace = 8;
constexpr float kEnter = 13;

constexpr long double kDaySeconds = 86400;

// The reader's own variables, fresh for each call.
struct ReaderVariables {
  float start_column;
  float start_row;
  float key;
  StringValue* typed;        // always upper case
  long double remaining;     // seconds left
  float clock_minutes;
  float clock_seconds;
  StringValue* clock_text;   // the picture formatter's output
  StringValue* result;       // the reader's value
};

bool is_typed_character(float key) {
  return (key >= 65 && key <= 90) || (key >= 97 && key <= 122) || key == 32;
}

// PRINT USING " ###:##.###"; minutes; seconds
void print_clock(ReaderVariables& r) {
  StringValue* picture = literal(text::kClockPicture);
  rt::string_assign(r.clock_text, rt::shared_empty_string());
  const int32_t next = rt::format_picture_single(picture, r.clock_minutes, 0, r.clock_text);
  rt::format_picture_single(picture, r.clock_seconds, next, r.clock_text);
  print_line(r.clock_text);
}

}  // namespace

long double seconds_left(double deadline, double now) {
  long double left = static_cast<long double>(deadline) - static_cast<long double>(now);
  // read_timer starts again from 0 at local midnight. No countdown lasts half a day, so a
  // deadline that seems that far away was taken before the timer wrapped.
  if (left > kDaySeconds / 2) left -= kDaySeconds;
  return left;
}

StringValue* timed_reader() {
  if (rt::error_pending()) return rt::string_new(0, true);
  GameState& g = game_state();
  ReaderVariables r{};
  r.typed = rt::string_new(0, false);
  r.clock_text = rt::string_new(0, false);
  r.result = rt::string_new(0, false);

  /* 244 */ assign(r.start_column, rt::get_cursor_column());              after_statement(244);
  /* 245 */ assign(r.start_row, rt::get_cursor_row());                    after_statement(245);
  /* 247 */ rt::copy_page(kVisiblePage, kSavedPage);                      after_statement(247);
  // Keys typed while the turn was drawn are thrown away. The ring is read twice a pass:
  // the exit test's own read_key is made whatever the key-hit code was.
  /* 249 */ for (;;) {
  /* 250 */   assign(r.key, rt::read_key_hit());                           after_statement(250);
  /* 251 */   no_key_waiting();                                            after_statement(251);
  /* 252 */   const bool flushed = until((r.key == 0) & no_key_waiting()); after_statement(252);
              if (flushed) break;
            }
  /* 254 */ for (;;) {
  /* 255 */   rt::limit_rate(kPassesPerSecond);                            after_statement(255);
  /* 256 */   rt::copy_page(kSavedPage, kVisiblePage);                     after_statement(256);
  /* 257 */   rt::set_cursor_position(static_cast<int32_t>(r.start_row),
                                      static_cast<int32_t>(r.start_column), 0, 0, 0, kRowAndColumn);
              print_line(r.typed);                                         after_statement(257);
  /* 259 */   assign(r.key, rt::read_key_hit());                           after_statement(259);
  /* 261 */   if (when(r.key == kBackspace)) {                             after_statement(261);
  /* 262 */     assign(r.typed, rt::string_left(r.typed, r.typed->length - 1));
                                                                           after_statement(262);
  /* 263 */   } else if (when(is_typed_character(r.key))) {                after_statement(263);
  /* 264 */     assign(r.typed, rt::string_upper(rt::string_concat(
                    r.typed, rt::string_from_code(static_cast<int32_t>(r.key)))));
                                                                           after_statement(264);
              } else {                                                     after_statement(263); }
  /* 267 */   assign(r.remaining, seconds_left(g.deadline, rt::read_timer(0.001, true)));
                                                                           after_statement(267);
  /* 268 */   assign(r.clock_minutes, std::trunc(r.remaining / 60));       after_statement(268);
  /* 269 */   assign(r.clock_seconds, r.remaining - static_cast<long double>(r.clock_minutes) * 60);
                                                                           after_statement(269);
  /* 270 */   rt::set_cursor_position(kClockRow, kClockColumn, 0, 0, 0, kRowAndColumn);
              print_clock(r);                                              after_statement(270);
  // The pass that finds no time left is never shown: the ending replaces it.
  /* 271 */   if (when(r.remaining <= 0)) {                                after_statement(271);
                time_out_ending();
              }                                                            after_statement(271);
  /* 272 */   rt::request_display();                                       after_statement(272);
  /* 274 */   const bool entered = until(r.key == kEnter);                 after_statement(274);
              if (entered) break;
            }
  /* 275 */ assign(r.result, r.typed);                                     after_statement(275);
  /* 276 */ rt::enable_auto_display();                                     after_statement(276);
  rt::string_release(r.typed);
  rt::string_release(r.clock_text);
  return rt::string_make_temporary(r.result);
}

void time_out_ending() {
  /* 280 */ rt::clear_screen(0, 0, 0);                                     after_statement(280);
  /* 281 */ print_line(literal(text::kTimeOut1));                          after_statement(281);
  /* 282 */ print_line(literal(text::kTimeOut2));                          after_statement(282);
  // Display is still in the reader's hands here, so the ending has to be shown by request.
  /* 283 */ rt::request_display();                                         after_statement(283);
  /* 284 */ rt::end_program();
}

}  // namespace game
