// Frame composition and the ring of composed frames.
//
// One composer (the refresh thread, or the script thread while display is manual) turns
// the display page into a 32-bit frame and publishes it in a 64-slot ring; the window
// thread draws the newest. No locks: the composer alone writes slots and indices and
// publishes latest_frame with release, the window alone writes shown and drawn.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "runtime/core/control_words.h"
#include "runtime/display/refresh.h"
#include "runtime/host/host.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/image.h"
#include "runtime/screen/screen_state.h"
#include "runtime/strings/timing.h"

namespace rt {

namespace {

constexpr int kPaletteEntries = 256;
constexpr int kPaletteBytes = kPaletteEntries * 4;
constexpr uint32_t kBlinkPhaseBit = 3;    // of frame_counter: 8 passes on, 8 off
constexpr int64_t kMode10PhaseBit = 9;    // of the millisecond clock: about 0.5 s
constexpr int kMode10PseudoColors = 9;
constexpr int kMode10SwappedEntries = 4;  // entries 0..3 take pseudo-colours from 4..7
constexpr uint8_t kBlinkAttribute = 0x80;
constexpr int kInconsistentRingExitCode = 9090;

struct FrameRing {
  FrameSlot slots[kFrameRingSlots + 1];
  std::atomic<int32_t> oldest{0};
  std::atomic<int32_t> latest{0};
};

// A block of composer-owned bytes that tracks its size.
struct Snapshot {
  uint8_t* bytes = nullptr;
  size_t size = 0;
};

struct ComposerState {
  FrameRing ring{};
  // Text pages: the cells as last composed, the page's cells as read this pass, the
  // palette, and the blink and cursor state of the last text frame.
  Snapshot text_cells;
  Snapshot text_capture;
  uint32_t text_palette[kPaletteEntries] = {};
  int32_t last_blink_phase = 0;
  int32_t last_cursor_phase = 0;
  int32_t last_cursor_column = -1;
  int32_t last_cursor_row = -1;
  // Indexed graphics pages: pixels and the used palette entries as last composed.
  Snapshot indexed_pixels;
  uint32_t indexed_palette[kPaletteEntries] = {};
};

ComposerState g_composer;

enum class PageTransfer { CompareAndCopy, Copy, WriteToPage };

// The one place that touches the display page's memory. The script thread writes the
// page while the composer reads it, without a lock: a frame may catch the page in the
// middle of an update, and the next composition repairs it. Only replacing the page
// (screen mode, text size, font) is excluded, through display_pause_request. Keeping
// every such access in this function lets the race checker be told about exactly this
// function and nothing else. CompareAndCopy copies only when the bytes differ and says
// whether they did.
__attribute__((noinline)) bool transfer_page_bytes(void* ours, void* page, size_t n,
                                                   PageTransfer how) {
  switch (how) {
    case PageTransfer::CompareAndCopy:
      if (std::memcmp(ours, page, n) == 0) return false;
      std::memcpy(ours, page, n);
      return true;
    case PageTransfer::Copy:
      std::memcpy(ours, page, n);
      return true;
    case PageTransfer::WriteToPage:
      std::memcpy(page, ours, n);
      return true;
  }
  return false;
}

// Resizes a snapshot, dropping its contents. False when memory ran out (it is left
// empty, so the next pass tries again).
bool resize_snapshot(Snapshot& s, size_t n) {
  std::free(s.bytes);
  s.bytes = static_cast<uint8_t*>(std::calloc(n, 1));
  s.size = s.bytes ? n : 0;
  return s.bytes != nullptr;
}

int32_t previous_slot(int32_t index) { return index <= 1 ? kFrameRingSlots : index - 1; }

// ---- the ring --------------------------------------------------------------------

// Frees superseded frames from the oldest on, but never the newest frame nor the three
// before it: the window may still be looking at a frame it has not yet marked.
void reclaim_frames() {
  FrameRing& r = g_composer.ring;
  int32_t oldest = r.oldest.load(std::memory_order_relaxed);
  if (oldest == 0) return;
  int32_t l0 = r.latest.load(std::memory_order_relaxed);
  int32_t l1 = previous_slot(l0), l2 = previous_slot(l1), l3 = previous_slot(l2);
  while (oldest != l0 && oldest != l1 && oldest != l2 && oldest != l3 &&
         r.slots[oldest].shown.load(std::memory_order_acquire) != 0) {
    std::free(r.slots[oldest].pixels);
    r.slots[oldest].pixels = nullptr;
    oldest = next_frame_slot(oldest);
    r.oldest.store(oldest, std::memory_order_release);
  }
}

bool ring_full() {
  const FrameRing& r = g_composer.ring;
  int32_t oldest = r.oldest.load(std::memory_order_relaxed);
  int32_t limit = oldest == 1 ? kFrameRingSlots + 1 : oldest;
  return r.latest.load(std::memory_order_relaxed) + 1 == limit;
}

// Prepares the slot after the newest for a frame of w x h, reusing the oldest
// superseded buffer of the same size when there is one. Null when no memory could be
// had; the slot then stays empty and nothing is published.
uint32_t* take_slot(int32_t width, int32_t height) {
  FrameRing& r = g_composer.ring;
  int32_t latest = r.latest.load(std::memory_order_relaxed);
  int32_t next = next_frame_slot(latest);
  FrameSlot& slot = r.slots[next];
  if (slot.pixels != nullptr) host::process_exit(kInconsistentRingExitCode);
  slot.width = width;
  slot.height = height;
  slot.byte_size = width * height * 4;
  slot.shown.store(0, std::memory_order_relaxed);
  slot.drawn.store(0, std::memory_order_relaxed);
  int32_t oldest = r.oldest.load(std::memory_order_relaxed);
  if (oldest != 0 && oldest != latest) {
    FrameSlot& old = r.slots[oldest];
    if (old.shown.load(std::memory_order_acquire) != 0 && old.byte_size == slot.byte_size &&
        old.pixels != nullptr) {
      slot.pixels = old.pixels;
      old.pixels = nullptr;
      r.oldest.store(next_frame_slot(oldest), std::memory_order_release);
      return slot.pixels;
    }
  }
  slot.pixels = static_cast<uint32_t*>(std::malloc(static_cast<size_t>(slot.byte_size)));
  return slot.pixels;
}

void publish_frame() {
  FrameRing& r = g_composer.ring;
  int32_t next = next_frame_slot(r.latest.load(std::memory_order_relaxed));
  previous_frame_valid.store(1);
  r.latest.store(next, std::memory_order_release);
  if (r.oldest.load(std::memory_order_relaxed) == 0) r.oldest.store(next, std::memory_order_release);
}

// A frame that could not get memory: the snapshots may already hold the page, so the
// next pass must not trust them.
void drop_frame() { previous_frame_valid.store(0); }

// ---- text pages ------------------------------------------------------------------

struct GlyphSource {
  const uint8_t* glyphs;
  int32_t bytes_per_glyph;
  int32_t first_row;
  bool doubled;  // output columns 2k and 2k + 1 both show source column k
  int32_t cell_width;
  int32_t cell_height;
};

// The cell size comes from the glyph source itself, so drawing can never read past a
// glyph whatever the font table says.
bool glyph_source(uint32_t font, GlyphSource& g) {
  switch (font) {
    case 8: g = {glyphs_8x8(), 64, 0, false, 8, 8}; return true;
    case 9: g = {glyphs_8x8(), 64, 0, true, 16, 8}; return true;
    case 14: g = {glyphs_8x16(), 128, 1, false, 8, 14}; return true;
    case 15: g = {glyphs_8x16(), 128, 1, true, 16, 14}; return true;
    case 16: g = {glyphs_8x16(), 128, 0, false, 8, 16}; return true;
    case 17: g = {glyphs_8x16(), 128, 0, true, 16, 16}; return true;
    default: return false;  // loaded fonts are not drawn on text pages
  }
}

struct TextFrame {
  uint32_t* pixels;
  int32_t frame_width;
  int32_t glyph_width;
  int32_t glyph_height;
  GlyphSource glyphs;
  const uint32_t* palette;
  bool blink_on;
};

void draw_cell(const TextFrame& f, int32_t column, int32_t row, uint8_t character,
               uint8_t attribute) {
  uint32_t foreground = attribute & 0x0F;
  uint32_t background = (attribute >> 4) & 0x07;
  if ((attribute & kBlinkAttribute) && f.blink_on) foreground = background;
  uint32_t ink = f.palette[foreground], paper = f.palette[background];
  const uint8_t* glyph = f.glyphs.glyphs + character * f.glyphs.bytes_per_glyph;
  uint32_t* out = f.pixels + static_cast<size_t>(row) * f.glyph_height * f.frame_width +
                  static_cast<size_t>(column) * f.glyph_width;
  for (int32_t y = 0; y < f.glyph_height; ++y, out += f.frame_width) {
    const uint8_t* source = glyph + (y + f.glyphs.first_row) * 8;
    for (int32_t x = 0; x < f.glyph_width; ++x)
      out[x] = source[f.glyphs.doubled ? x / 2 : x] ? ink : paper;
  }
}

void draw_cursor(const TextFrame& f, int32_t column, int32_t row, uint8_t attribute,
                 const Image& page) {
  CursorLines lines = cursor_lines(page.cursor_start, page.cursor_stop, f.glyph_height);
  uint32_t color = f.palette[attribute & 0x0F];
  for (int32_t line = lines.first; line < lines.first + lines.count; ++line) {
    uint32_t* out = f.pixels +
                    (static_cast<size_t>(row) * f.glyph_height + line) * f.frame_width +
                    static_cast<size_t>(column) * f.glyph_width;
    for (int32_t x = 0; x < f.glyph_width; ++x) out[x] = color;
  }
}

void compose_text_page(Image& page, int32_t frame_width, int32_t frame_height,
                       const GlyphSource& glyphs) {
  ComposerState& c = g_composer;
  const int32_t columns = page.width, rows = page.height;
  const int32_t blink = (frame_counter() >> kBlinkPhaseBit) & 1;
  const int32_t cursor_phase = blink;
  int32_t cursor_column = page.cursor_x - 1, cursor_row = page.cursor_y - 1;
  if (page.cursor_held == 2 && cursor_row != rows - 1) {
    cursor_column = 0;
    cursor_row += 1;
  }

  bool base = previous_frame_valid.load() != 0;
  const size_t n = static_cast<size_t>(columns) * rows * 2;
  if (c.text_cells.size != n) {
    base = false;
    if (!resize_snapshot(c.text_cells, n) || !resize_snapshot(c.text_capture, n)) {
      return drop_frame();
    }
  }
  if (transfer_page_bytes(c.text_palette, page.palette, kPaletteBytes, PageTransfer::CompareAndCopy))
    base = false;
  transfer_page_bytes(c.text_capture.bytes, page.pixels, n, PageTransfer::CompareAndCopy);

  const bool moved = cursor_column != c.last_cursor_column || cursor_row != c.last_cursor_row;
  const bool blink_changed = blink != c.last_blink_phase;
  const bool cursor_phase_changed = cursor_phase != c.last_cursor_phase;
  const bool cells_changed = std::memcmp(c.text_capture.bytes, c.text_cells.bytes, n) != 0;
  if (base && !cells_changed && !blink_changed && !cursor_phase_changed && !moved) return;

  const FrameRing& r = g_composer.ring;
  const FrameSlot& previous = r.slots[r.latest.load(std::memory_order_relaxed)];
  uint32_t* pixels = take_slot(frame_width, frame_height);
  if (pixels == nullptr) return drop_frame();
  const int32_t byte_size = frame_width * frame_height * 4;
  if (base && previous.pixels != nullptr && previous.byte_size == byte_size)
    std::memcpy(pixels, previous.pixels, static_cast<size_t>(byte_size));
  else
    base = false;

  TextFrame f{pixels, frame_width, glyphs.cell_width, glyphs.cell_height,
              glyphs, c.text_palette, blink != 0};
  const bool cursor_on = page.cursor_visible != 0 && cursor_phase != 0;
  for (int32_t row = 0; row < rows; ++row) {
    for (int32_t column = 0; column < columns; ++column) {
      const size_t at = (static_cast<size_t>(row) * columns + column) * 2;
      uint8_t* old = c.text_cells.bytes + at;
      const uint8_t* now = c.text_capture.bytes + at;
      const bool is_cursor = column == cursor_column && row == cursor_row;
      const bool was_cursor = column == c.last_cursor_column && row == c.last_cursor_row;
      // The new cursor cell is redrawn after a move as well, so a moved cursor shows
      // at once instead of waiting for the next phase change.
      const bool redraw = !base || old[0] != now[0] || old[1] != now[1] ||
                          ((now[1] & kBlinkAttribute) && blink_changed) ||
                          (is_cursor && (cursor_phase_changed || moved)) ||
                          (was_cursor && moved);
      if (!redraw) continue;
      old[0] = now[0];
      old[1] = now[1];
      draw_cell(f, column, row, now[0], now[1]);
      if (is_cursor && cursor_on) draw_cursor(f, column, row, now[1], page);
    }
  }
  c.last_blink_phase = blink;
  c.last_cursor_phase = cursor_phase;
  c.last_cursor_column = cursor_column;
  c.last_cursor_row = cursor_row;
  publish_frame();
}

// ---- graphics pages --------------------------------------------------------------

void compose_32bit_page(Image& page, int32_t width, int32_t height) {
  uint32_t* pixels = take_slot(width, height);
  if (pixels == nullptr) return drop_frame();
  transfer_page_bytes(pixels, page.pixels, static_cast<size_t>(width) * height * 4,
                      PageTransfer::Copy);
  publish_frame();
}

// Mode 10 shows pseudo-colours that alternate about twice a second; entries 0..3 of
// the page's palette follow the pseudo-colours named in entries 4..7.
void apply_mode10_colors(Image& page) {
  uint32_t named[kMode10SwappedEntries];
  transfer_page_bytes(named, page.palette + kMode10SwappedEntries, sizeof named, PageTransfer::Copy);
  const int32_t phase = (elapsed_milliseconds() >> kMode10PhaseBit) & 1;
  uint32_t shown[kMode10SwappedEntries];
  transfer_page_bytes(shown, page.palette, sizeof shown, PageTransfer::Copy);
  for (int i = 0; i < kMode10SwappedEntries; ++i) {
    if (named[i] < kMode10PseudoColors)
      shown[i] = mode10_pseudo_color(static_cast<int32_t>(named[i]), phase);
  }
  transfer_page_bytes(shown, page.palette, sizeof shown, PageTransfer::WriteToPage);
}

void compose_indexed_page(Image& page, int32_t width, int32_t height) {
  ComposerState& c = g_composer;
  if (page.mode == 10) apply_mode10_colors(page);
  const size_t n = static_cast<size_t>(width) * height;
  const int32_t bits = page.bits_per_pixel < 8 ? page.bits_per_pixel : 8;
  const size_t colors = size_t{1} << bits;
  bool changed = previous_frame_valid.load() == 0;
  if (c.indexed_pixels.size != n) {
    if (!resize_snapshot(c.indexed_pixels, n)) return drop_frame();
    transfer_page_bytes(c.indexed_pixels.bytes, page.pixels, n, PageTransfer::Copy);
    changed = true;
  } else if (transfer_page_bytes(c.indexed_pixels.bytes, page.pixels, n,
                                 PageTransfer::CompareAndCopy)) {
    changed = true;
  }
  if (transfer_page_bytes(c.indexed_palette, page.palette, colors * 4, PageTransfer::CompareAndCopy))
    changed = true;
  if (!changed) return;

  uint32_t* pixels = take_slot(width, height);
  if (pixels == nullptr) return drop_frame();
  const uint8_t* source = c.indexed_pixels.bytes;
  for (size_t i = 0; i < n; ++i) pixels[i] = c.indexed_palette[source[i]];
  publish_frame();
}

// ---- one composition -------------------------------------------------------------

// A screen-mode change asks the composer to stand still while it replaces the page.
void acknowledge_pause() {
  uint32_t requested = 1;
  if (display_pause_request.compare_exchange_strong(requested, 2)) host::yield_processor();
}

void finish_composition() {
  acknowledge_pause();
  int32_t handing_over = -1;
  auto_display.compare_exchange_strong(handing_over, 0);
}

// Frame size of a page: cells times glyph size on a text page, pixels otherwise.
// False when the page cannot be shown (unknown font, no storage, absurd size).
bool frame_geometry(const Image& page, const GlyphSource& glyphs, int32_t& width,
                    int32_t& height) {
  int64_t w = page.width, h = page.height;
  if (page.mode == 0) {
    w *= glyphs.cell_width;
    h *= glyphs.cell_height;
  }
  if (w <= 0 || h <= 0 || w * h * 4 > INT32_MAX || page.pixels == nullptr) return false;
  if (page.bits_per_pixel != 32 && page.palette == nullptr) return false;
  width = static_cast<int32_t>(w);
  height = static_cast<int32_t>(h);
  return true;
}

// False only when the ring is full: the caller then skips the finish step.
bool compose_page(Image* live_page) {
  Image page;
  transfer_page_bytes(&page, live_page, sizeof page, PageTransfer::Copy);
  GlyphSource glyphs{};
  if (page.mode == 0 && !glyph_source(page.font, glyphs)) return true;
  int32_t width = 0, height = 0;
  if (!frame_geometry(page, glyphs, width, height)) return true;
  reclaim_frames();
  if (ring_full()) return false;
  if (page.mode == 0)
    compose_text_page(page, width, height, glyphs);
  else if (page.bits_per_pixel == 32)
    compose_32bit_page(page, width, height);
  else
    compose_indexed_page(page, width, height);
  return true;
}

}  // namespace

CursorLines cursor_lines(int32_t s, int32_t e, int32_t h) {
  auto top = [h](int32_t first, int32_t count) {
    if (first >= h || first < 0) return CursorLines{0, 0};
    return CursorLines{first, count < h - first ? count : h - first};
  };
  auto rest = [&top, h](int32_t first) { return top(first, h - first); };
  auto bottom = [h](int32_t count) {
    int32_t last = h == 16 ? 14 : h - 1;
    int32_t first = last - count + 1;
    if (first < 0) first = 0;
    return CursorLines{first, last - first + 1};
  };
  if (e == 0) return s != 0 ? CursorLines{0, 0} : top(0, 1);
  if (e < s) return rest(e);
  if (e == s) return s > 3 ? bottom(1) : top(s, 1);
  if (s > 2) {
    if (e - s == 1) return bottom(2);
    if (e - s == 2) return bottom(3);
    return CursorLines{h - h / 2, h / 2};
  }
  if (s <= 1) return e <= 3 ? top(s, e - s + 1) : rest(s);
  if (e == 3) return top(2, 2);
  if (e == 4) return bottom(3);
  return rest(2);
}

void compose_frame() {
  acknowledge_pause();
  if (display_pause_request.load() == 0) {
    Image* page = display_page();
    if (page != nullptr && !compose_page(page)) return;
  }
  finish_composition();
}

void clear_frame_ring() {
  FrameRing& r = g_composer.ring;
  for (FrameSlot& slot : r.slots) {
    std::free(slot.pixels);
    slot.pixels = nullptr;
    slot.width = slot.height = slot.byte_size = 0;
    slot.shown.store(0);
    slot.drawn.store(0);
  }
  r.oldest.store(0);
  r.latest.store(0);
}

FrameSlot& frame_slot(int32_t index) { return g_composer.ring.slots[index]; }
int32_t latest_frame() { return g_composer.ring.latest.load(std::memory_order_acquire); }
int32_t oldest_frame() { return g_composer.ring.oldest.load(std::memory_order_acquire); }

// Walks only up to the newest frame read before the walk starts, so it can never mark
// a slot the composer is still filling.
void mark_superseded_frames() {
  FrameRing& r = g_composer.ring;
  const int32_t latest = r.latest.load(std::memory_order_acquire);
  int32_t slot = r.oldest.load(std::memory_order_acquire);
  if (latest == 0 || slot == 0) return;
  for (int32_t steps = 0; slot != latest && steps < kFrameRingSlots; ++steps) {
    r.slots[slot].shown.store(1, std::memory_order_release);
    slot = next_frame_slot(slot);
  }
}

}  // namespace rt
