#include "runtime/screen/screen_state.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "runtime/core/control_words.h"
#include "runtime/core/errors.h"
#include "runtime/core/low_memory.h"
#include "runtime/host/host.h"
#include "runtime/screen/drawing.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/palette.h"

namespace rt {

namespace {

// Records live in blocks that are never moved or freed: the composer keeps the display
// page's record pointer while the script creates images, so growth only adds blocks.
constexpr int32_t kRecordsPerBlock = 4096;
constexpr int32_t kMaxBlocks = 16384;  // 64M records, far beyond what memory could hold
constexpr int32_t kFreeListStep = 4096;
// A page table this long could never be backed by page storage anyway.
constexpr int32_t kMaxPages = 1 << 20;
constexpr int32_t kFirstImageSlot = 2;  // slots 0 and 1 are reserved and never valid
constexpr uint32_t kPaletteBytes = 256 * sizeof(uint32_t);
constexpr int32_t kTextPageCount = 8;
constexpr uint8_t kBlankCharacter = 32;
constexpr uint8_t kBlankAttribute = 7;
constexpr ErrorCode kErrOutOfMemory = 7;
constexpr int64_t kCriticalImageTable = 502;
constexpr int64_t kCriticalFreeList = 503;
constexpr int32_t kMaxDimension = 65535;  // width and height are 16-bit fields

enum : int32_t { kModeGiven = 1, kActiveGiven = 4, kVisualGiven = 8 };

struct ScreenState {
  std::atomic<Image*> blocks[kMaxBlocks] = {};
  int32_t capacity = 0;
  int32_t high_water = 0;
  std::vector<int32_t> free_list;
  std::vector<int32_t> page_table;

  int32_t destination_slot = 0;
  Image* destination = nullptr;
  int32_t source_slot = 0;
  Image* source = nullptr;
  // Read by the composer on the refresh thread.
  std::atomic<int32_t> display_slot{0};
  std::atomic<Image*> display{nullptr};

  int32_t active_page_number = 0;
  bool page_zero_adopted = false;
  bool first_screen_pending = false;
  int32_t pending_columns = -1;
  int32_t pending_rows = -1;
  int32_t pending_font = -1;
  int32_t printer_width = 80;
  bool blend_tables_built = false;
};
ScreenState g;

Image* record_at(int32_t slot) {
  return g.blocks[slot / kRecordsPerBlock].load(std::memory_order_acquire) +
         slot % kRecordsPerBlock;
}

bool grow_image_table() {
  int32_t block = g.capacity / kRecordsPerBlock;
  if (block >= kMaxBlocks) return false;
  auto* records = static_cast<Image*>(std::calloc(kRecordsPerBlock, sizeof(Image)));
  if (records == nullptr) return false;
  g.blocks[block].store(records, std::memory_order_release);
  g.capacity += kRecordsPerBlock;
  return true;
}

bool reserve_free_list_room() {
  if (g.free_list.size() < g.free_list.capacity()) return true;
  try {
    g.free_list.reserve(g.free_list.capacity() + kFreeListStep);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool is_graphics(const Image* image) { return image->is_text == 0; }

uint32_t mask_for_bits(uint8_t bits) {
  return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u;
}

int32_t rows_for_font(const Image* image, int32_t font) {
  if (image->is_text) return image->height;
  int32_t font_height = font_table_height(font);
  return font_height > 0 ? image->height / font_height : image->height;
}

void reset_text_window(Image* image) {
  image->cursor_x = 1;
  image->cursor_y = 1;
  image->text_top = 1;
  int32_t bottom = rows_for_font(image, static_cast<int32_t>(image->font)) - 1;
  image->text_bottom = static_cast<int16_t>(bottom < 1 ? 1 : bottom);
}

// Mode-dependent fields of a fresh record: bits, colours and font.
bool apply_mode_defaults(Image* image, int32_t mode) {
  image->bytes_per_pixel = 1;
  image->font = kFont16;
  image->foreground = 15;
  image->background = 0;
  switch (mode) {
    case 0:
      image->bits_per_pixel = 16;
      image->bytes_per_pixel = 2;
      image->foreground = 7;
      image->is_text = 1;
      image->cursor_visible = 0;
      image->cursor_start = 4;
      image->cursor_stop = 4;
      break;
    case 1: image->bits_per_pixel = 2; image->font = kFont8; image->foreground = 3; break;
    case 2: image->bits_per_pixel = 1; image->font = kFont8; image->foreground = 1; break;
    case 7:
    case 8: image->bits_per_pixel = 4; image->font = kFont8; break;
    case 9: image->bits_per_pixel = 4; image->font = kFont14; break;
    case 10: image->bits_per_pixel = 2; image->font = kFont14; image->foreground = 3; break;
    case 11: image->bits_per_pixel = 1; image->foreground = 1; break;
    case 12: image->bits_per_pixel = 4; break;
    case 13: image->bits_per_pixel = 8; image->font = kFont8; break;
    case 256: image->bits_per_pixel = 8; break;
    case 32:
      image->bits_per_pixel = 32;
      image->bytes_per_pixel = 4;
      image->foreground = 0xFFFFFFFFu;
      image->background = 0xFF000000u;
      break;
    default: return false;
  }
  return true;
}

void reset_graphics_state(Image* image) {
  image->graphics_x = static_cast<float>(image->width / 2);
  image->graphics_y = static_cast<float>(image->height / 2);
  image->view_x1 = image->view_y1 = 0;
  image->view_x2 = image->width - 1;
  image->view_y2 = image->height - 1;
  image->view_offset_x = image->view_offset_y = 0;
  image->coordinate_mode = 0;
  image->scale_x = image->scale_y = 1.0f;
  image->scale_offset_x = image->scale_offset_y = 0.0f;
  image->world_x1 = image->world_y1 = 0.0f;
  image->world_x2 = static_cast<float>(image->view_x2);
  image->world_y2 = static_cast<float>(image->view_y2);
}

void copy_graphics_state(const Image* from, Image* to) {
  to->view_x1 = from->view_x1;
  to->view_y1 = from->view_y1;
  to->view_x2 = from->view_x2;
  to->view_y2 = from->view_y2;
  to->view_offset_x = from->view_offset_x;
  to->view_offset_y = from->view_offset_y;
  to->graphics_x = from->graphics_x;
  to->graphics_y = from->graphics_y;
  to->coordinate_mode = from->coordinate_mode;
  to->scale_x = from->scale_x;
  to->scale_y = from->scale_y;
  to->scale_offset_x = from->scale_offset_x;
  to->scale_offset_y = from->scale_offset_y;
  to->world_x1 = from->world_x1;
  to->world_y1 = from->world_y1;
  to->world_x2 = from->world_x2;
  to->world_y2 = from->world_y2;
  to->draw_angle = from->draw_angle;
  to->draw_scale = from->draw_scale;
}

std::size_t pixel_bytes(const Image* image) {
  return static_cast<std::size_t>(image->width) * image->height * image->bytes_per_pixel;
}

void fill_blank_cells(uint8_t* cells, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    cells[2 * i] = kBlankCharacter;
    cells[2 * i + 1] = kBlankAttribute;
  }
}

void free_owned_storage(Image* image) {
  if (image->flags & OWNS_PIXELS) std::free(image->pixels);
  if (image->flags & OWNS_PALETTE) std::free(image->palette);
  image->flags &= ~static_cast<uint32_t>(OWNS_PIXELS | OWNS_PALETTE);
  image->pixels = nullptr;
  image->palette = nullptr;
}

bool grow_page_table(int32_t length) {
  if (static_cast<int32_t>(g.page_table.size()) >= length) return true;
  try {
    g.page_table.resize(length, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

struct ScreenSize {
  int32_t columns = 0;
  int32_t rows = 0;
};

ScreenSize measure_screen() {
  ScreenSize size;
  int32_t slot = page_slot(0);
  if (slot == 0) return size;
  const Image* page = record_at(slot);
  size.columns = image_text_columns(page);
  size.rows = image_text_rows(page);
  return size;
}

void select_all(int32_t slot) {
  select_display_page(slot);
  select_destination(slot);
  select_source(slot);
}

// Falls back to page 0 for any selection that pointed at a page about to go.
void release_pages_above_zero() {
  int32_t page_zero = page_slot(0);
  for (std::size_t page = 1; page < g.page_table.size(); ++page) {
    int32_t slot = g.page_table[page];
    if (slot == 0) continue;
    if (g.destination_slot == slot) select_destination(page_zero);
    if (g.source_slot == slot) select_source(page_zero);
    if (g.display_slot.load() == slot) select_display_page(page_zero);
    free_image_storage_and_slot(slot);
    g.page_table[page] = 0;
  }
  if (g.active_page_number != 0) g.active_page_number = 0;
}

void release_screen_pages() {
  release_pages_above_zero();
  int32_t page_zero = page_slot(0);
  if (page_zero != 0) {
    if (g.page_zero_adopted) {
      record_at(page_zero)->flags &= ~static_cast<uint32_t>(IS_PAGE);
    } else {
      free_image_storage_and_slot(page_zero);
    }
  }
  g.page_zero_adopted = false;
  g.page_table.assign(1, 0);
}

void install_page_zero(int32_t slot) {
  g.page_table[0] = slot;
  record_at(slot)->flags |= IS_PAGE;
  select_all(slot);
}

struct TextLayout {
  int32_t columns;
  int32_t rows;
  int32_t font;
};

int32_t font_for_rows(int32_t rows) {
  if (rows == 43) return kFont14;
  if (rows == 50) return kFont8;
  return kFont16;
}

TextLayout choose_text_layout(ScreenSize old) {
  TextLayout layout{80, 25, kFont16};
  if (g.pending_columns >= 0 && g.pending_rows >= 0 && g.pending_font >= 0) {
    layout = {g.pending_columns, g.pending_rows, g.pending_font};
  } else if (g.pending_columns >= 0) {
    layout.columns = g.pending_columns;
    layout.rows = (old.rows == 43 || old.rows == 50) ? old.rows : 25;
    layout.font = font_for_rows(layout.rows);
    if (layout.columns == 40) layout.font += 1;
  } else if (g.pending_rows >= 0) {
    layout.rows = g.pending_rows;
    layout.font = font_for_rows(layout.rows);
    if (old.columns == 40) {
      layout.columns = 40;
      layout.font += 1;
    }
  } else if ((old.columns == 80 || old.columns == 40) && (old.rows == 50 || old.rows == 43)) {
    layout = {old.columns, old.rows, old.columns == 80 ? kFont8 : kFont8Wide};
  } else if (old.columns == 40 && old.rows == 25) {
    layout = {40, 25, kFont16Wide};
  }
  g.pending_columns = g.pending_rows = g.pending_font = -1;
  return layout;
}

// The eight text pages; as many as fit sit in the emulated video memory so that the
// script, memory reads and the composer all see one copy.
bool build_text_pages(ScreenSize old) {
  TextLayout layout = choose_text_layout(old);
  int32_t page_bytes = layout.columns * layout.rows * 2;
  if (layout.columns == 40 && layout.rows == 25) {
    layout.font = kFont16Wide;
    page_bytes = 2048;
  } else if (layout.columns == 80 && layout.rows == 25) {
    layout.font = kFont16;
    page_bytes = 4096;
  }
  int32_t in_video_memory = static_cast<int32_t>(kTextVideoMemorySize) / page_bytes;
  if (in_video_memory > kTextPageCount) in_video_memory = kTextPageCount;
  if (!grow_page_table(kTextPageCount)) return false;
  for (int32_t i = 0; i < kTextPageCount; ++i) {
    int32_t slot;
    if (i < in_video_memory) {
      uint8_t* storage = low_memory_at(kTextVideoMemory + i * page_bytes);
      slot = init_image(storage, layout.columns, layout.rows, 0);
    } else {
      slot = create_image(layout.columns, layout.rows, 0);
    }
    if (slot == 0) return false;
    Image* page = record_at(slot);
    apply_font(layout.font, page);
    page->flags |= IS_PAGE;
    g.page_table[i] = slot;
  }
  fill_blank_cells(low_memory_at(kTextVideoMemory), kTextVideoMemorySize / 2);
  select_all(g.page_table[0]);
  return true;
}

int32_t build_graphics_page_zero(int32_t mode, ScreenSize old) {
  int32_t slot = 0;
  switch (mode) {
    case 13:
      slot = init_image(low_memory_at(kMode13Pixels), 320, 200, 13);
      if (slot != 0) std::memset(low_memory_at(kMode13Pixels), 0, kMode13PixelBytes);
      break;
    case 11:
    case 12:
      slot = create_image(640, 480, mode);
      if (slot != 0 && old.columns == 80 && old.rows == 60) apply_font(kFont8, record_at(slot));
      break;
    case 9:
    case 10:
      slot = create_image(640, 350, mode);
      if (slot != 0 && old.columns == 80 && old.rows == 43) apply_font(kFont8, record_at(slot));
      break;
    case 2:
    case 8: slot = create_image(640, 200, mode); break;
    case 1:
    case 7: slot = create_image(320, 200, mode); break;
    default: break;
  }
  return slot;
}

void rebuild_screen(int32_t mode) {
  ScreenSize old = measure_screen();
  release_screen_pages();
  if (mode < 0) {
    install_page_zero(-mode);
    g.page_zero_adopted = true;
  } else if (mode == 0) {
    if (!build_text_pages(old)) raise_error(kErrOutOfMemory);
  } else {
    int32_t slot = build_graphics_page_zero(mode, old);
    if (slot == 0) {
      raise_error(kErrOutOfMemory);
    } else {
      install_page_zero(slot);
    }
  }
  if (g.destination != nullptr) {
    g.destination->draw_angle = 0.0;
    g.destination->draw_scale = 1.0;
  }
  g.active_page_number = 0;
  redraw_key_labels();
}

// Colours to the mode defaults and the text window to the full height less the last row.
void reset_destination_window() {
  reset_page_colors();
  Image* d = g.destination;
  d->text_top = 1;
  int32_t bottom = image_text_rows(d);
  if (d->cursor_y > bottom) d->cursor_y = 1;
  bottom -= 1;
  d->text_bottom = static_cast<int16_t>(bottom < 1 ? 1 : bottom);
}

bool is_selectable_mode(int32_t mode) {
  return mode == 0 || mode == 1 || mode == 2 || (mode >= 7 && mode <= 13);
}

bool display_is_running() {
  return auto_display.load() != 0 && display_ready.load() != 0;
}

}  // namespace

// ---- image table -----------------------------------------------------------------

Image* image_record(int32_t slot) {
  if (slot < 0 || slot >= g.high_water) return nullptr;
  return record_at(slot);
}

int32_t image_high_water() { return g.high_water; }
int32_t image_table_capacity() { return g.capacity; }
int32_t free_slot_count() { return static_cast<int32_t>(g.free_list.size()); }

int32_t allocate_image_slot() {
  int32_t slot;
  if (!g.free_list.empty()) {
    slot = g.free_list.back();
    g.free_list.pop_back();
  } else {
    if (g.high_water >= g.capacity && !grow_image_table()) {
      raise_error(kCriticalImageTable);
      return 0;
    }
    slot = g.high_water++;
  }
  record_at(slot)->valid = 1;
  return slot;
}

int32_t release_image_slot(int32_t slot) {
  if (slot < 0 || slot >= g.high_water) return 0;
  Image* image = record_at(slot);
  if (!image->valid) return 0;
  if (!reserve_free_list_room()) {
    raise_error(kCriticalFreeList);
    return 0;
  }
  // There is no memory-block service holding locks on images, so clearing the record
  // also drops any lock it names.
  std::memset(static_cast<void*>(image), 0, sizeof(Image));
  g.free_list.push_back(slot);
  return 1;
}

void free_image_storage_and_slot(int32_t slot) {
  Image* image = image_record(slot);
  if (image == nullptr || !image->valid) return;
  free_owned_storage(image);
  release_image_slot(slot);
}

bool is_valid_handle(int32_t handle) {
  if (handle >= 0) return false;
  int64_t slot = -static_cast<int64_t>(handle);
  return slot < g.high_water && record_at(static_cast<int32_t>(slot))->valid;
}

int32_t resolve_image_ref(int32_t ref, bool given, int32_t default_slot) {
  if (!given) return default_slot;
  if (ref < 0) {
    if (!is_valid_handle(ref)) {
      raise_error(kErrInvalidHandle);
      return 0;
    }
    return -ref;
  }
  ensure_page(ref);
  if (error_pending()) return 0;
  return page_slot(ref);
}

// ---- selections ------------------------------------------------------------------

int32_t destination_slot() { return g.destination_slot; }
int32_t source_slot() { return g.source_slot; }
int32_t display_page_slot() { return g.display_slot.load(); }
Image* destination() { return g.destination; }
Image* source() { return g.source; }
Image* display_page() { return g.display.load(std::memory_order_acquire); }

void select_destination(int32_t slot) {
  g.destination_slot = slot;
  g.destination = slot == 0 ? nullptr : record_at(slot);
}

void select_source(int32_t slot) {
  g.source_slot = slot;
  g.source = slot == 0 ? nullptr : record_at(slot);
}

void select_display_page(int32_t slot) {
  g.display.store(slot == 0 ? nullptr : record_at(slot), std::memory_order_release);
  g.display_slot.store(slot);
}

// ---- pages -----------------------------------------------------------------------

int32_t page_slot(int32_t page) {
  if (page < 0 || page >= static_cast<int32_t>(g.page_table.size())) return 0;
  return g.page_table[page];
}

int32_t page_table_length() { return static_cast<int32_t>(g.page_table.size()); }
int32_t active_page_number() { return g.active_page_number; }
bool page_zero_adopted() { return g.page_zero_adopted; }

void ensure_page(int32_t page) {
  if (page < 0 || g.page_table.empty() || g.page_table[0] == 0) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  if (page >= kMaxPages || !grow_page_table(page + 1)) {
    raise_error(kErrOutOfMemory);
    return;
  }
  if (g.page_table[page] != 0) return;
  const Image* zero = record_at(g.page_table[0]);
  int32_t slot = create_image(zero->width, zero->height, zero->mode);
  if (slot == 0) {
    // The page stays absent: nothing may draw into a page without storage.
    raise_error(kErrOutOfMemory);
    return;
  }
  Image* image = record_at(slot);
  if (image->mode != 32) {
    std::free(image->palette);
    image->flags &= ~static_cast<uint32_t>(OWNS_PALETTE);
    image->palette = zero->palette;
  }
  image->flags |= IS_PAGE;
  apply_font(static_cast<int32_t>(zero->font), image);
  g.page_table[page] = slot;
}

// ---- images ----------------------------------------------------------------------

int32_t init_image(uint8_t* storage, int32_t width, int32_t height, int32_t mode) {
  if (width < 1 || height < 1 || width > kMaxDimension || height > kMaxDimension) return 0;
  Image probe{};
  if (!apply_mode_defaults(&probe, mode)) return 0;
  int32_t slot = allocate_image_slot();
  if (slot == 0) return 0;
  Image* image = record_at(slot);
  image->pixels = storage;
  image->width = static_cast<uint16_t>(width);
  image->height = static_cast<uint16_t>(height);
  image->mode = static_cast<uint16_t>(mode);
  image->print_mode = 3;
  image->draw_angle = 0.0;
  image->draw_scale = 1.0;
  apply_mode_defaults(image, mode);
  image->draw_color = image->foreground;
  if (mode != 32) {
    image->palette = static_cast<uint32_t*>(std::calloc(256, sizeof(uint32_t)));
    if (image->palette == nullptr) {
      release_image_slot(slot);
      return 0;
    }
    image->flags |= OWNS_PALETTE;
    load_default_palette(image);
    image->transparent_color = -1;
  }
  image->color_mask = mask_for_bits(image->bits_per_pixel);
  reset_text_window(image);
  if (is_graphics(image)) reset_graphics_state(image);
  return slot;
}

int32_t create_image(int32_t width, int32_t height, int32_t mode) {
  int32_t slot = init_image(nullptr, width, height, mode);
  if (slot == 0) return 0;
  Image* image = record_at(slot);
  std::size_t bytes = pixel_bytes(image);
  if (mode == 32 && !g.blend_tables_built) {
    ensure_blend_tables();
    g.blend_tables_built = true;
  }
  image->pixels = static_cast<uint8_t*>(std::calloc(bytes, 1));
  if (image->pixels == nullptr) {
    free_owned_storage(image);
    release_image_slot(slot);
    return 0;
  }
  if (image->is_text) fill_blank_cells(image->pixels, bytes / 2);
  image->flags |= OWNS_PIXELS;
  return slot;
}

void apply_font(int32_t font, Image* image) {
  image->font = static_cast<uint32_t>(font);
  reset_text_window(image);
}

void reset_page_colors() {
  Image* d = g.destination;
  if (d == nullptr) return;
  d->foreground = 15;
  d->background = 0;
  switch (d->mode) {
    case 0: d->foreground = 7; break;
    case 1:
    case 10: d->foreground = 3; break;
    case 2:
    case 11: d->foreground = 1; break;
    case 32:
      d->foreground = 0xFFFFFFFFu;
      d->background = 0xFF000000u;
      break;
    default: break;
  }
  d->draw_color = d->foreground;
}

int32_t image_text_columns(const Image* image) {
  if (image->is_text) return image->width;
  int32_t font_width = font_table_width(static_cast<int32_t>(image->font));
  return image->width / (font_width > 0 ? font_width : 1);
}

int32_t image_text_rows(const Image* image) {
  return rows_for_font(image, static_cast<int32_t>(image->font));
}

// ---- display pause ---------------------------------------------------------------

void pause_display() {
  uint32_t expected = 0;
  display_pause_request.compare_exchange_strong(expected, 1);
  // The composer answers 2 and then keeps off the screen; an exit in progress means it
  // may never answer.
  while (display_pause_request.load() != 2 && exit_in_progress.load() == 0) {
    host::yield_processor();
  }
}

void release_display_pause() { display_pause_request.store(0); }

void redraw_key_labels() {}

// ---- screen modes ----------------------------------------------------------------

void set_screen_mode(int32_t mode, int32_t color_switch, int32_t active_page,
                     int32_t visual_page, int32_t ignored, int32_t flags) {
  if (error_pending()) return;
  bool mode_given = (flags & kModeGiven) != 0;
  bool active_given = (flags & kActiveGiven) != 0;
  bool visual_given = (flags & kVisualGiven) != 0;

  // Every argument is checked before anything changes, so a refused call leaves the
  // screen exactly as it was.
  if (mode_given && mode < 0) {
    if (!is_valid_handle(mode)) {
      raise_error(kErrInvalidHandle);
      return;
    }
    // A page of the present screen goes away in the rebuild, so it cannot be adopted.
    int32_t handle_slot = -mode;
    if (handle_slot != page_slot(0) && (record_at(handle_slot)->flags & IS_PAGE)) {
      raise_error(kErrIllegalFunctionCall);
      return;
    }
  } else if (mode_given && !is_selectable_mode(mode)) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  if ((active_given && active_page < 0) || (visual_given && visual_page < 0)) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  if (active_given && !visual_given) {
    visual_page = active_page;
    visual_given = true;
    flags |= kVisualGiven;
  }
  if (g.first_screen_pending && !(mode == 0 && flags == kModeGiven)) {
    g.first_screen_pending = false;
  }

  int32_t current = page_slot(0);
  bool mode_change = false;
  bool page_change = false;
  if (mode_given) {
    if (mode < 0) {
      mode_change = -mode != current;
    } else {
      mode_change = current == 0 || record_at(current)->mode != mode || g.pending_columns >= 0 ||
                    g.pending_rows >= 0 || g.pending_font >= 0;
    }
  }
  if (active_given && !mode_change) {
    ensure_page(active_page);
    if (error_pending()) return;
    int32_t slot = page_slot(active_page);
    if (slot != g.source_slot || slot != g.destination_slot) page_change = true;
  }
  if (visual_given && !mode_change) {
    ensure_page(visual_page);
    if (error_pending()) return;
    if (page_slot(visual_page) != g.display_slot.load()) page_change = true;
  }
  if (!mode_change && !page_change) return;

  bool paused_display = mode_change && display_is_running();
  if (paused_display) pause_display();
  previous_frame_valid.store(0);

  if (mode_given && mode_change) rebuild_screen(mode);

  if (active_given && !error_pending()) {
    ensure_page(active_page);
    int32_t slot = page_slot(active_page);
    if (slot != 0 && (slot != g.destination_slot || slot != g.source_slot)) {
      select_destination(slot);
      select_source(slot);
      reset_destination_window();
    }
    if (slot != 0 && active_page != g.active_page_number) {
      int32_t previous = page_slot(g.active_page_number);
      if (is_graphics(g.destination) && previous != 0) {
        copy_graphics_state(record_at(previous), g.destination);
      }
      g.active_page_number = active_page;
    }
  }
  if (visual_given && !error_pending()) {
    ensure_page(visual_page);
    int32_t slot = page_slot(visual_page);
    if (slot != 0 && slot != g.display_slot.load()) {
      select_display_page(slot);
      reset_destination_window();
    }
  }
  if (paused_display || display_is_running()) release_display_pause();
}

// ---- page copies -----------------------------------------------------------------

namespace {

// A page number (created on demand) or a live handle; 0 when neither.
int32_t page_or_handle_slot(int32_t ref) {
  if (ref < 0) return is_valid_handle(ref) ? -ref : 0;
  ensure_page(ref);
  return error_pending() ? 0 : page_slot(ref);
}

}  // namespace

void copy_page(int32_t from, int32_t to) {
  if (error_pending()) return;
  // Handles are checked before any page is created.
  if ((from < 0 && !is_valid_handle(from)) || (to < 0 && !is_valid_handle(to))) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  int32_t from_slot = page_or_handle_slot(from);
  if (from_slot == 0) return;
  int32_t to_slot = page_or_handle_slot(to);
  if (to_slot == 0 || from_slot == to_slot) return;
  const Image* a = record_at(from_slot);
  Image* b = record_at(to_slot);
  bool same_shape = a->bytes_per_pixel == b->bytes_per_pixel && a->width == b->width &&
                    a->height == b->height;
  if (!same_shape || (a->bytes_per_pixel == 1 && b->color_mask < a->color_mask) ||
      a->pixels == nullptr || b->pixels == nullptr) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  std::memmove(b->pixels, a->pixels, pixel_bytes(a));
}

// ---- pending values --------------------------------------------------------------

bool first_screen_pending() { return g.first_screen_pending; }
void set_first_screen_pending() { g.first_screen_pending = true; }
void clear_first_screen_pending() { g.first_screen_pending = false; }
int32_t pending_text_columns() { return g.pending_columns; }
int32_t pending_text_rows() { return g.pending_rows; }
int32_t pending_text_font() { return g.pending_font; }
int32_t printer_width() { return g.printer_width; }

// ---- text dimensions -------------------------------------------------------------

namespace {

enum : int32_t { kColumnsGiven = 1, kRowsGiven = 2 };

// Clears the pixels, reloads the palette and restores the mode's fields while the
// colours and the font stay.
void reset_to_mode_defaults(Image* image) {
  uint32_t foreground = image->foreground;
  uint32_t background = image->background;
  uint32_t font = image->font;
  std::memset(image->pixels, 0, pixel_bytes(image));
  if (image->palette != nullptr) load_default_palette(image);
  image->draw_angle = 0.0;
  image->draw_scale = 1.0;
  image->print_mode = 3;
  image->foreground = foreground;
  image->background = background;
  image->draw_color = foreground;
  image->font = font;
  reset_text_window(image);
  if (is_graphics(image)) reset_graphics_state(image);
}

bool destination_is_page() { return (g.destination->flags & IS_PAGE) != 0; }

void resize_offscreen_destination(int32_t columns, int32_t rows, int32_t flags) {
  Image* d = g.destination;
  int32_t font_width = font_table_width(static_cast<int32_t>(d->font));
  int32_t font_height = font_table_height(static_cast<int32_t>(d->font));
  if (font_width == 0) font_width = 1;
  int64_t width = (flags & kColumnsGiven) ? int64_t{columns} * font_width : d->width;
  int64_t height = (flags & kRowsGiven) ? int64_t{rows} * font_height : d->height;
  if (width < 1 || height < 1 || width > kMaxDimension || height > kMaxDimension) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  if (width == d->width && height == d->height) return;
  std::size_t bytes = static_cast<std::size_t>(width) * height * d->bytes_per_pixel;
  auto* pixels = static_cast<uint8_t*>(std::calloc(bytes, 1));
  if (pixels == nullptr) {
    raise_error(kErrOutOfMemory);
    return;
  }
  bool page = destination_is_page();
  bool fenced = page && display_is_running();
  if (fenced) pause_display();
  if (page) release_pages_above_zero();
  d = g.destination;
  if (d->flags & OWNS_PIXELS) std::free(d->pixels);
  d->pixels = pixels;
  d->flags |= OWNS_PIXELS;
  d->width = static_cast<uint16_t>(width);
  d->height = static_cast<uint16_t>(height);
  reset_to_mode_defaults(d);
  if (fenced) release_display_pause();
}

void request_text_mode(int32_t columns, int32_t rows, int32_t font) {
  g.pending_columns = columns;
  g.pending_rows = rows;
  g.pending_font = font;
  set_screen_mode(0, 0, 0, 0, 0, kModeGiven);
}

int32_t text_font_for(int32_t columns, int32_t rows) {
  int32_t font = rows >= 50 ? kFont8 : (rows >= 43 ? kFont14 : kFont16);
  return columns <= 40 ? font + 1 : font;
}

void resize_text_destination(int32_t columns, int32_t rows, int32_t flags) {
  const Image* d = g.destination;
  if (!(flags & kColumnsGiven)) columns = d->width;
  if (!(flags & kRowsGiven)) rows = d->height;
  int32_t font = text_font_for(columns, rows);
  if (static_cast<uint32_t>(font) == d->font && columns == d->width && rows == d->height) return;
  request_text_mode(columns, rows, font);
}

// The font a graphics image needs so that its text grid has the asked size; 0 when no
// built-in font fits.
int32_t graphics_font_for(const Image* d, int32_t columns, int32_t rows, int32_t flags) {
  bool cols_given = flags & kColumnsGiven;
  bool rows_given = flags & kRowsGiven;
  int32_t w = d->width;
  int32_t h = d->height;
  int32_t big = 0;
  if (d->mode == 9 || d->mode == 10) big = kFont14;
  if (d->mode == 11 || d->mode == 12) big = kFont16;
  if (big == 0) {
    bool fits = (!cols_given || int64_t{columns} * 8 == w) && (!rows_given || int64_t{rows} * 8 == h);
    return fits ? kFont8 : 0;
  }
  if (cols_given && int64_t{columns} * 8 != w) return 0;
  if (!rows_given) {
    return font_table_height(static_cast<int32_t>(d->font)) > 8 ? big : kFont8;
  }
  if (int64_t{rows} * 8 == h) return kFont8;
  if (int64_t{rows} * big == h) return big;
  if (big == kFont14 && rows == 43 && h == 350) return kFont8;
  return 0;
}

void switch_to_text_for(int32_t columns, int32_t rows, int32_t flags) {
  bool cols_given = flags & kColumnsGiven;
  bool rows_given = flags & kRowsGiven;
  bool rows_ok = rows == 25 || rows == 43 || rows == 50;
  bool cols_ok = columns == 40 || columns == 80;
  if (rows_given && !cols_given && rows_ok) {
    request_text_mode(-1, rows, -1);
  } else if (cols_given && !rows_given && cols_ok) {
    request_text_mode(columns, -1, -1);
  } else if (cols_given && rows_given && cols_ok && rows_ok) {
    int32_t font = font_for_rows(rows) + (columns == 40 ? 1 : 0);
    request_text_mode(columns, rows, font);
  } else {
    raise_error(kErrIllegalFunctionCall);
  }
}

void refit_graphics_destination(int32_t columns, int32_t rows, int32_t flags) {
  Image* d = g.destination;
  int32_t font = graphics_font_for(d, columns, rows, flags);
  if (font == 0) {
    switch_to_text_for(columns, rows, flags);
    return;
  }
  if (static_cast<uint32_t>(font) == d->font) return;
  // Pages may be on show, so their release is fenced like a rebuild.
  bool page = destination_is_page();
  bool fenced = page && display_is_running();
  if (fenced) pause_display();
  if (page) {
    release_pages_above_zero();
    d = record_at(page_slot(0));
  }
  reset_to_mode_defaults(d);
  apply_font(font, d);
  if (fenced) release_display_pause();
}

}  // namespace

void set_text_dimensions(int32_t device, int32_t columns, int32_t rows, int32_t flags) {
  if (error_pending()) return;
  if (device == 2) {
    if (flags == kColumnsGiven && columns > 0 && columns < 256) {
      g.printer_width = columns;
    } else {
      raise_error(kErrIllegalFunctionCall);
    }
    return;
  }
  if (device != 0) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  g.first_screen_pending = false;
  bool cols_given = flags & kColumnsGiven;
  bool rows_given = flags & kRowsGiven;
  if ((!cols_given && !rows_given) || (cols_given && (columns < 1 || columns > kMaxDimension)) ||
      (rows_given && (rows < 1 || rows > kMaxDimension)) || g.destination == nullptr) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  Image* d = g.destination;
  if (d->mode == 32 || d->mode == 256) {
    resize_offscreen_destination(columns, rows, flags);
  } else if (d->is_text) {
    resize_text_destination(columns, rows, flags);
  } else {
    refit_graphics_destination(columns, rows, flags);
  }
}

// ---- start-up --------------------------------------------------------------------

namespace {

// Drops every image of an earlier start-up (tests start the screen more than once).
void clear_image_table() {
  for (int32_t slot = 0; slot < g.high_water; ++slot) {
    Image* image = record_at(slot);
    if (image->valid) free_owned_storage(image);
    std::memset(static_cast<void*>(image), 0, sizeof(Image));
  }
  g.high_water = 0;
  g.free_list.clear();
  select_all(0);
}

}  // namespace

void initialise_screen() {
  initialise_fonts_and_palettes();
  if (g.capacity == 0 && !grow_image_table()) raise_error(kCriticalImageTable);
  clear_image_table();
  g.free_list.reserve(kFreeListStep);
  g.page_table.assign(1, 0);
  g.active_page_number = 0;
  g.page_zero_adopted = false;
  g.pending_columns = g.pending_rows = g.pending_font = -1;
  g.printer_width = 80;
  g.high_water = kFirstImageSlot;  // slots 0 and 1 stay invalid
  set_screen_mode(0, 0, 0, 0, 0, kModeGiven);
  g.first_screen_pending = true;
}

}  // namespace rt
