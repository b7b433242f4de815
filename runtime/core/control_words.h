// Words shared between the script, event-timer, refresh and window threads. Each has
// one writer per bit or value and is polled by the others; none is guarded by a lock.
#pragma once

#include <atomic>
#include <cstdint>

namespace rt {

// Process control words.
extern std::atomic<uint8_t> stop_requested;        // the program wants to end
extern std::atomic<uint8_t> exit_in_progress;      // every thread stops at its next poll
extern std::atomic<uint32_t> parked_threads;       // bit 0 script parked, bit 1 timer thread done
extern std::atomic<uint32_t> event_pending;        // forces the next statement checkpoint
extern std::atomic<int32_t> exit_code;             // passed to the process exit
extern std::atomic<uint32_t> close_requests;       // bit 0 window close, bit 1 break key
extern std::atomic<uint32_t> program_handles_close;
extern std::atomic<uint32_t> display_ready;        // frame composition is running
extern std::atomic<uint32_t> window_created;

// Keyboard words read by the checkpoint, the waits and the window.
extern std::atomic<uint8_t> paused;                // bit 0: the Pause key holds the script
extern std::atomic<uint32_t> key_press_signal;     // set at the end of every key press

// Display words shared by the screen model and the frame composer.
extern std::atomic<int32_t> auto_display;          // 1 automatic, 0 manual, -1 hand-over pending
extern std::atomic<uint32_t> display_pause_request;  // 0 free, 1 requested, 2 acknowledged
extern std::atomic<uint8_t> previous_frame_valid;  // the last frame may seed the next one

// Time base mapping the millisecond clock onto the local time of day.
extern std::atomic<uint32_t> clock_base_ms;
extern std::atomic<uint32_t> day_offset_ms;

}  // namespace rt
