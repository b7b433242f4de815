// Off-screen images: creating, copying and freeing them, selecting them for output and
// input, and their queries. Scripts hold an image by its handle, the negative of its slot.
#pragma once

#include <cstdint>

namespace rt {

int32_t new_image(int32_t width, int32_t height, int32_t mode, int32_t mode_given);
int32_t copy_image(int32_t image_ref, int32_t given);
void free_image(int32_t image_ref, int32_t given);
void free_all_images();

void set_source(int32_t image_ref);
void set_destination(int32_t image_ref);
// Handles of the selections (pages too: the negative of their slot).
int32_t get_source();
int32_t get_destination();
int32_t get_display();

int32_t image_pixel_size(int32_t image_ref, int32_t given);
int32_t image_font(int32_t image_ref, int32_t given);
uint32_t image_default_foreground(int32_t image_ref, int32_t given);
uint32_t image_default_background(int32_t image_ref, int32_t given);
int32_t image_transparent_color(int32_t image_ref, int32_t given);
int32_t image_blending(int32_t image_ref, int32_t given);
int32_t image_width(int32_t image_ref, int32_t given);
int32_t image_height(int32_t image_ref, int32_t given);

void enable_blending(int32_t image_ref, int32_t given);
void disable_blending(int32_t image_ref, int32_t given);
// flags: 1 clearing form, 2 colour given, 4 image given.
void set_transparent_color(uint32_t colour, int32_t image_ref, int32_t flags);

}  // namespace rt
