// The refresh loop and frame composition.
#pragma once

#include <atomic>
#include <cstdint>

namespace rt {

void clear_frame_ring();      // start-up
void refresh_thread_main();   // never returns; the exit sequence ends the process
void compose_frame();
void request_display();
void enable_auto_display();

// One pass of the refresh loop (refresh_thread_main repeats it for ever).
void refresh_pass();
// The emulated BIOS tick count at 0x46C, kept in step with the local time of day.
void update_tick_counter();
// Mirrors the host's Caps, Num and Scroll Lock toggles into the keyboard model.
void sync_lock_keys();

// ---- the ring of composed frames ---------------------------------------------------
// One composer writes slots and indices; the window writes only shown and drawn.
struct FrameSlot {
  uint32_t* pixels;  // 0xAARRGGBB, top row first; null when the slot is empty
  int32_t width;
  int32_t height;
  int32_t byte_size;
  std::atomic<uint8_t> shown;  // a newer frame exists; the slot may be recycled
  std::atomic<uint8_t> drawn;  // the window has drawn it
};

inline constexpr int32_t kFrameRingSlots = 64;  // slots 1..64; slot 0 is never used

FrameSlot& frame_slot(int32_t index);  // 0..64
int32_t latest_frame();                // acquire: the slot's contents are visible
int32_t oldest_frame();
uint32_t frame_counter();
void set_frame_counter(uint32_t value);  // tests step the blink phase without waiting
// The slot after `index` in ring order (64 is followed by 1).
inline int32_t next_frame_slot(int32_t index) { return index >= kFrameRingSlots ? 1 : index + 1; }

// Window side: marks every frame older than the newest as superseded.
void mark_superseded_frames();

// Shape of the text cursor in a cell of glyph height h: lines first .. first+count-1.
struct CursorLines {
  int32_t first;
  int32_t count;
};
CursorLines cursor_lines(int32_t start, int32_t stop, int32_t glyph_height);

}  // namespace rt
