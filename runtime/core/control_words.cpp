#include "runtime/core/control_words.h"

namespace rt {

std::atomic<uint8_t> stop_requested{0};
std::atomic<uint8_t> exit_in_progress{0};
std::atomic<uint32_t> parked_threads{0};
std::atomic<uint32_t> event_pending{0};
std::atomic<int32_t> exit_code{0};
std::atomic<uint32_t> close_requests{0};
std::atomic<uint32_t> program_handles_close{0};
std::atomic<uint32_t> display_ready{0};
std::atomic<uint32_t> window_created{0};

std::atomic<uint8_t> paused{0};
std::atomic<uint32_t> key_press_signal{0};

std::atomic<int32_t> auto_display{1};
std::atomic<uint32_t> display_pause_request{0};
std::atomic<uint8_t> previous_frame_valid{0};

std::atomic<uint32_t> clock_base_ms{0};
std::atomic<uint32_t> day_offset_ms{0};

}  // namespace rt
