#include "game/statements.h"

#include "runtime/core/checkpoint.h"
#include "runtime/core/control_words.h"
#include "runtime/core/return_stack.h"
#include "runtime/display/keyboard.h"
#include "runtime/screen/text_output.h"
#include "runtime/strings/string_ops.h"
#include "runtime/strings/string_storage.h"

namespace game {

namespace {

// Temporaries enrolled at or above this mark belong to the statement being run.
int32_t g_statement_mark = 1;

}  // namespace

void begin_statements() { g_statement_mark = rt::temporary_mark(); }

void after_statement(uint32_t line) {
  rt::release_temporaries(g_statement_mark, nullptr);
  if (rt::event_pending.load()) rt::statement_checkpoint(line);
}

void assign(StringValue* variable, StringValue* value) {
  if (!rt::error_pending()) rt::string_assign(variable, value);
}

StringValue* literal(std::string_view text) {
  return rt::string_from_literal(text.data(), static_cast<int32_t>(text.size()));
}

void print_line(StringValue* item) {
  rt::ensure_item_fits(item);
  rt::print_text(item, 0);
  rt::print_text(rt::shared_empty_string(), 1);
}

void print_part(StringValue* item) {
  rt::ensure_item_fits(item);
  rt::print_text(item, 0);
}

void print_empty_line() { rt::print_text(rt::shared_empty_string(), 1); }

bool equals(StringValue* value, std::string_view text) {
  return rt::string_equal(value, literal(text)) != 0;
}

bool no_key_waiting() { return rt::read_key()->length == 0; }

void drain_keys(uint32_t line) {
  for (;;) {
    const bool done = until(no_key_waiting());
    after_statement(line);
    if (done) return;
  }
}

void wait_for_key(uint32_t line) {
  for (;;) {
    const bool done = until(!no_key_waiting());
    after_statement(line);
    if (done) return;
  }
}

void gosub(int32_t return_point, void (*subroutine)()) {
  rt::push_return_point(return_point);
  subroutine();
}

void return_from_subroutine(uint32_t line) {
  rt::pop_return_point(kLargestReturnPoint);
  after_statement(line);
}

}  // namespace game
