// Drawing the newest composed frame in the window, one frame pixel per window pixel,
// and keeping the window at the frame's size. Window thread only; these are the bodies
// of the toolkit's display and reshape callbacks.
#pragma once

#include <cstdint>

namespace rt {

void present_latest_frame();                     // display callback
void note_window_size(int32_t width, int32_t height);  // reshape callback
void note_window_exposed();                      // part of the window was uncovered

}  // namespace rt
