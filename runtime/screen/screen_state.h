// The image table, the page table and the current selections.
#pragma once

#include <cstdint>

#include "runtime/screen/image.h"

namespace rt {

// Start-up: the image table (slots 0 and 1 reserved), the page table, the font tables
// and palettes, then the first text screen (mode 0) with first_screen_pending set.
void initialise_screen();

// Image table. Records never move once handed out, so a record pointer stays valid
// while its slot is live (the composer reads the display page from another thread).
Image* image_record(int32_t slot);          // null for a slot never handed out
int32_t allocate_image_slot();
int32_t release_image_slot(int32_t slot);  // 0 when the slot was not live
int32_t image_high_water();
int32_t image_table_capacity();
int32_t free_slot_count();
// Frees the pixels and palette the image owns, then releases its slot.
void free_image_storage_and_slot(int32_t slot);
// Whether a negative reference names a live image (no error raised).
bool is_valid_handle(int32_t handle);

// Resolves an image reference: not given -> default_slot; negative -> handle (error 258
// when invalid, result 0); zero or positive -> page number (created on demand).
int32_t resolve_image_ref(int32_t ref, bool given, int32_t default_slot);

// Current selections: slots, and their records (null when there is none).
int32_t destination_slot();
int32_t source_slot();
int32_t display_page_slot();
Image* destination();
Image* source();
Image* display_page();
void select_destination(int32_t slot);
void select_source(int32_t slot);
void select_display_page(int32_t slot);

// Page table.
int32_t page_slot(int32_t page);  // 0 when the page does not exist yet
// Creates the page on first use (error 7 when its storage cannot be had).
void ensure_page(int32_t page);
int32_t page_table_length();
int32_t active_page_number();
bool page_zero_adopted();

int32_t init_image(uint8_t* storage, int32_t width, int32_t height, int32_t mode);
int32_t create_image(int32_t width, int32_t height, int32_t mode);
void apply_font(int32_t font, Image* image);
void reset_page_colors();

void set_screen_mode(int32_t mode, int32_t color_switch, int32_t active_page,
                     int32_t visual_page, int32_t ignored, int32_t flags);
void set_text_dimensions(int32_t device, int32_t columns, int32_t rows, int32_t flags);
void copy_page(int32_t from, int32_t to);

// Text grid of an image: columns and rows of cells.
int32_t image_text_columns(const Image* image);
int32_t image_text_rows(const Image* image);

// first_screen_pending and the pending text values.
bool first_screen_pending();
void set_first_screen_pending();
void clear_first_screen_pending();
int32_t pending_text_columns();  // -1 when unset
int32_t pending_text_rows();
int32_t pending_text_font();

// Width in columns of the printing service (set_text_dimensions device 2).
int32_t printer_width();

// Fence around changes that replace or reshape storage the composer reads: asks the
// composer to stand still and waits for its answer, only while it is running.
void pause_display();
void release_display_pause();

// The function-key label line is never shown here, so redrawing it does nothing.
void redraw_key_labels();

}  // namespace rt
