#include "game/game_state.h"

#include "game/statements.h"
#include "runtime/core/return_stack.h"
#include "runtime/strings/number_text.h"

namespace game {

namespace {

GameState g_state{};

rt::StringValue** exit_elements() {
  return static_cast<rt::StringValue**>(g_state.exits.storage);
}

// The element a subscript names, after the bounds check (offset 0 when it failed).
rt::StringValue* exit_element(int64_t index) {
  const int64_t offset =
      rt::array_index_check(index - g_state.exits.lower_bound, g_state.exits.count);
  return exit_elements()[offset];
}

}  // namespace

GameState& game_state() { return g_state; }

void allocate_game_state() {
  constexpr uint32_t kArrayReady = 3;
  g_state = GameState{};
  g_state.command = rt::string_new(0, false);
  auto** elements = static_cast<rt::StringValue**>(
      rt::local_storage_allocate(sizeof(rt::StringValue*) * kLocationCount));
  for (int32_t i = 0; i < kLocationCount; ++i) elements[i] = rt::string_new(0, false);
  g_state.exits.storage = elements;
  g_state.exits.lower_bound = 1;
  g_state.exits.count = kLocationCount;
  g_state.exits.stride = 1;
  g_state.exits.flags = kArrayReady;
}

rt::StringValue* exit_text(float index) { return exit_element(rt::round_to_int32(index)); }

void assign_exit(int32_t index, rt::StringValue* text) {
  rt::StringValue* element = exit_element(index);
  assign(element, text);
}

}  // namespace game
