// The game's variables: created once when the script starts and kept for the whole run.
#pragma once

#include <cstdint>

#include "runtime/strings/string_storage.h"
#include "runtime/strings/string_value.h"

namespace game {

inline constexpr int32_t kLocationCount = 9;

struct GameState {
  float location;            // 1 to 9
  float has_crowbar;         // 1 while the crowbar is carried; nothing takes it away
  float time_limit_minutes;
  float time_limit_seconds;
  float time_limit_total;    // minutes x 60 + seconds
  double deadline;           // read_timer value at which time runs out
  rt::ArrayDescriptor exits; // 9 strings, lower bound 1: the open directions of each location
  rt::StringValue* command;  // the last command typed, upper case and trimmed
};

// The one game state of the process, owned by the script thread.
GameState& game_state();

// First entry of the script: variables zeroed, strings empty, the exits array made.
void allocate_game_state();

// exits(index): the element, or element 1 after error 9 for an index outside 1..9.
rt::StringValue* exit_text(float index);
// exits(index) = text; an index outside 1..9 raises 9 and writes nothing.
void assign_exit(int32_t index, rt::StringValue* text);

}  // namespace game
