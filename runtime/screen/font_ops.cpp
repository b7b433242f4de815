#include "runtime/screen/font_ops.h"

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/core/control_words.h"
#include "runtime/core/errors.h"
#include "runtime/screen/fonts.h"
#include "runtime/screen/screen_state.h"

namespace rt {

namespace {

constexpr int32_t kMinFontSize = 1;
constexpr int32_t kMaxFontSize = 2048;

struct FontKeyword {
  const char* name;
  uint32_t flag;
};
constexpr FontKeyword kFontKeywords[] = {
    {"BOLD", FONT_BOLD},           {"ITALIC", FONT_ITALIC},
    {"UNDERLINE", FONT_UNDERLINE}, {"DONTBLEND", FONT_DONTBLEND},
    {"MONOSPACE", FONT_MONOSPACE}, {"UNICODE", FONT_UNICODE},
};

bool handle_usable_by_set_font(int32_t font) {
  return font_is_builtin(font) || font_is_loaded(font);
}

// The handles whose cell size may be asked for: the double-width forms are refused.
bool handle_measurable(int32_t font) {
  return font == kFont8 || font == kFont14 || font == kFont16 || font_is_loaded(font);
}

std::string trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// Sum of the keywords' flags; false for an unknown or repeated keyword.
bool parse_font_options(const StringValue* options, uint32_t* flags) {
  std::string text(reinterpret_cast<const char*>(options->data),
                   static_cast<size_t>(options->length));
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  *flags = 0;
  size_t start = 0;
  while (true) {
    size_t comma = text.find(',', start);
    std::string piece = trimmed(text.substr(start, comma == std::string::npos ? std::string::npos
                                                                               : comma - start));
    uint32_t flag = 0;
    for (const FontKeyword& keyword : kFontKeywords) {
      if (piece == keyword.name) flag = keyword.flag;
    }
    if (flag == 0 || (*flags & flag) != 0) return false;
    *flags |= flag;
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

bool read_whole_file(const StringValue* file_name, std::vector<uint8_t>* bytes) {
  if (file_name == nullptr || file_name->length <= 0) return false;
  std::string path(reinterpret_cast<const char*>(file_name->data),
                   static_cast<size_t>(file_name->length));
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  uint8_t buffer[4096];
  size_t got;
  bool ok = true;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes->insert(bytes->end(), buffer, buffer + got);
  }
  if (std::ferror(file)) ok = false;
  std::fclose(file);
  return ok;
}

// No font rasteriser is built into this system, so no file ever becomes a font.
int32_t rasterise_font(const std::vector<uint8_t>& bytes, int32_t size, uint32_t flags) {
  return 0;
}

bool font_used_by_an_image(int32_t font) {
  for (int32_t slot = 0; slot < image_high_water(); ++slot) {
    const Image* image = image_record(slot);
    if (image->valid && image->font == static_cast<uint32_t>(font)) return true;
  }
  return false;
}

void set_font_on_text_screen(int32_t font) {
  // The shown screen changes pixel size, so a running composer must stand still; one
  // that is not running would never answer, so there is nothing to wait for.
  bool fenced = auto_display.load() != 0 && display_ready.load() != 0;
  if (fenced) pause_display();
  previous_frame_valid.store(0);
  for (int32_t page = 0; page < page_table_length(); ++page) {
    if (page_slot(page) != 0) image_record(page_slot(page))->font = static_cast<uint32_t>(font);
  }
  if (fenced) release_display_pause();
}

}  // namespace

void set_font(int32_t font, int32_t image_ref, int32_t image_given) {
  if (error_pending()) return;
  int32_t slot = resolve_image_ref(image_ref, image_given != 0, destination_slot());
  if (error_pending()) return;
  Image* image = image_record(slot);
  if (image == nullptr) return;
  if (!handle_usable_by_set_font(font)) {
    raise_error(kErrInvalidHandle);
    return;
  }
  if (image->is_text && (font_table_flags(font) & FONT_MONOSPACE) == 0) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  if (image->is_text && (image->flags & IS_PAGE)) {
    set_font_on_text_screen(font);
    return;
  }
  apply_font(font, image);
}

int32_t font_width(int32_t font, int32_t given) {
  if (error_pending()) return 0;
  if (!given) {
    const Image* d = destination();
    return d == nullptr ? 0 : font_table_width(static_cast<int32_t>(d->font));
  }
  if (!handle_measurable(font)) {
    raise_error(kErrInvalidHandle);
    return 0;
  }
  return font_table_width(font);
}

int32_t font_height(int32_t font, int32_t given) {
  if (error_pending()) return 0;
  if (!given) {
    const Image* d = destination();
    return d == nullptr ? 0 : font_table_height(static_cast<int32_t>(d->font));
  }
  if (!handle_measurable(font)) {
    raise_error(kErrInvalidHandle);
    return 0;
  }
  return font_table_height(font);
}

int32_t load_font(const StringValue* file_name, int32_t size, const StringValue* options,
                  int32_t options_given) {
  if (error_pending()) return 0;
  if (size < kMinFontSize || size > kMaxFontSize) {
    raise_error(kErrIllegalFunctionCall);
    return 0;
  }
  uint32_t flags = 0;
  if (options_given && options != nullptr && options->length > 0 &&
      !parse_font_options(options, &flags)) {
    raise_error(kErrIllegalFunctionCall);
    return 0;
  }
  std::vector<uint8_t> bytes;
  if (!read_whole_file(file_name, &bytes)) return -1;
  int32_t handle = find_free_font_handle();
  if (rasterise_font(bytes, size, flags) == 0) return -1;
  return handle;
}

void free_font(int32_t font) {
  if (error_pending()) return;
  if (!font_is_loaded(font)) {
    raise_error(kErrInvalidHandle);
    return;
  }
  if (font_used_by_an_image(font)) raise_error(kErrIllegalFunctionCall);
}

}  // namespace rt
