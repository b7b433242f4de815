// Pixel writers, the coordinate pipeline and the drawing primitives.
#include "runtime/screen/drawing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "runtime/core/errors.h"
#include "runtime/screen/screen_state.h"

namespace rt {
namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
constexpr int32_t kBlendChannelEntries = 256 * 256 * 256;
constexpr int32_t kBlendAlphaEntries = 256 * 256;
constexpr uint32_t kHalfBlendMask = 0xFEFEFE;
constexpr uint32_t kSolidStyle = 0xFFFF;
// A quarter of a circle never needs more steps than this: beyond it every step lands
// far outside any image, and an unbounded count would stall the script.
constexpr double kMaxQuarterSteps = 1 << 20;
// Flood-fill wave lists start with room for this many points and grow when needed.
constexpr size_t kInitialWaveCapacity = 65536;

enum Direction : uint8_t { LEFT = 1, RIGHT = 2, UP = 4, DOWN = 8, ALL_DIRECTIONS = 15 };

struct WavePoint {
  int32_t x, y;
  uint8_t open;
};

struct DrawingState {
  // Built once with the first 32-bit image and kept for the life of the process; never
  // freed, so no thread can see them vanish at exit.
  uint8_t* blend_channel_table = nullptr;  // [a][source][old]
  uint8_t* blend_alpha_table = nullptr;    // [a][b]
  bool blend_tables_tried = false;
  // Flood fill: one byte per pixel, kept between fills and enlarged for larger images.
  std::vector<uint8_t> visited;
  std::vector<WavePoint> wave;
  std::vector<WavePoint> next_wave;
};

DrawingState state;

// ---- blending -----------------------------------------------------------------------

uint8_t blend_channel_value(uint32_t a, uint32_t s, uint32_t d) {
  float x = static_cast<float>(a) / 255.0f;
  float value = x * static_cast<float>(s) + (1.0f - x) * static_cast<float>(d);
  return static_cast<uint8_t>(std::lrintf(value));
}

uint8_t blend_alpha_value(uint32_t a, uint32_t b) {
  float fa = 1.0f - static_cast<float>(a) / 255.0f;
  float fb = 1.0f - static_cast<float>(b) / 255.0f;
  return static_cast<uint8_t>(std::lrintf(255.0f * (1.0f - fa * fb)));
}

uint8_t channel_lookup(uint32_t a, uint32_t s, uint32_t d) {
  if (state.blend_channel_table == nullptr) return blend_channel_value(a, s, d);
  return state.blend_channel_table[(a << 16) | (s << 8) | d];
}

uint8_t alpha_lookup(uint32_t a, uint32_t b) {
  if (state.blend_alpha_table == nullptr) return blend_alpha_value(a, b);
  return state.blend_alpha_table[(a << 8) | b];
}

// ---- pixel access -------------------------------------------------------------------

bool is_graphics(const Image& image) {
  return !image.is_text && image.pixels != nullptr &&
         (image.bytes_per_pixel == 1 || image.bytes_per_pixel == 4);
}

uint32_t* pixel32(Image& image, int32_t x, int32_t y) {
  return reinterpret_cast<uint32_t*>(image.pixels) + static_cast<size_t>(y) * image.width + x;
}

// The caller has checked that (x, y) lies inside the image.
void plot(Image& image, int32_t x, int32_t y, uint32_t colour) {
  if (image.bytes_per_pixel == 1) {
    image.pixels[static_cast<size_t>(y) * image.width + x] =
        static_cast<uint8_t>(colour & image.color_mask);
  } else {
    uint32_t* p = pixel32(image, x, y);
    *p = image.blend_off ? colour : blend_pixel(colour, *p);
  }
}

uint32_t pixel_value(Image& image, int32_t x, int32_t y) {
  if (image.bytes_per_pixel == 1)
    return image.pixels[static_cast<size_t>(y) * image.width + x] & image.color_mask;
  return *pixel32(image, x, y);
}

// ---- clipping and the coordinate pipeline --------------------------------------------

struct ClipRect {
  int32_t x1, y1, x2, y2;
  bool contains(double x, double y) const {
    return x >= x1 && x <= x2 && y >= y1 && y <= y2;  // false for NaN
  }
};

// The viewport, or the whole image without one; never larger than the image, whatever
// the stored viewport says, so clipped drawing cannot leave the pixel storage.
ClipRect clip_rect(const Image& image) {
  ClipRect whole{0, 0, image.width - 1, image.height - 1};
  if (image.coordinate_mode == 0) return whole;
  return ClipRect{std::max(image.view_x1, whole.x1), std::max(image.view_y1, whole.y1),
                  std::min(image.view_x2, whole.x2), std::min(image.view_y2, whole.y2)};
}

struct Point {
  double x, y;
  bool finite() const { return std::isfinite(x) && std::isfinite(y); }
};

// World mapping, nearest integer (ties to even), viewport offset. Non-finite values stay
// non-finite and are dropped by the callers; huge ones stay exact doubles.
Point to_pixel(const Image& image, float x, float y) {
  float px = x;
  float py = y;
  if (image.coordinate_mode == 2) {
    px = image.scale_offset_x + image.scale_x * x;
    py = image.scale_offset_y + image.scale_y * y;
  }
  Point p{std::nearbyint(static_cast<double>(px)), std::nearbyint(static_cast<double>(py))};
  if (image.coordinate_mode != 0) {
    p.x += image.view_offset_x;
    p.y += image.view_offset_y;
  }
  return p;
}

// Narrows to float without undefined behaviour: out of range gives an infinity.
float to_float(double value) {
  if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
  if (value > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
  if (value < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

enum OutCode : int { INSIDE = 0, LEFT_OF = 1, RIGHT_OF = 2, ABOVE = 4, BELOW = 8 };

int out_code(long double x, long double y, const ClipRect& r) {
  int code = INSIDE;
  if (x < r.x1) code |= LEFT_OF;
  else if (x > r.x2) code |= RIGHT_OF;
  if (y < r.y1) code |= ABOVE;
  else if (y > r.y2) code |= BELOW;
  return code;
}

// Moves the ends of the segment onto the rectangle; false when nothing of it is inside.
// Extended precision keeps differences of the largest doubles finite.
bool clip_segment(long double& x1, long double& y1, long double& x2, long double& y2,
                  const ClipRect& r) {
  for (int pass = 0; pass < 8; ++pass) {
    int c1 = out_code(x1, y1, r);
    int c2 = out_code(x2, y2, r);
    if ((c1 | c2) == INSIDE) return true;
    if (c1 & c2) return false;
    int c = c1 ? c1 : c2;
    long double x = 0, y = 0;
    if (c & ABOVE) {
      y = r.y1;
      x = x1 + (x2 - x1) * (y - y1) / (y2 - y1);
    } else if (c & BELOW) {
      y = r.y2;
      x = x1 + (x2 - x1) * (y - y1) / (y2 - y1);
    } else if (c & LEFT_OF) {
      x = r.x1;
      y = y1 + (y2 - y1) * (x - x1) / (x2 - x1);
    } else {
      x = r.x2;
      y = y1 + (y2 - y1) * (x - x1) / (x2 - x1);
    }
    if (!std::isfinite(static_cast<double>(x)) || !std::isfinite(static_cast<double>(y)))
      return false;
    if (c == c1) {
      x1 = x;
      y1 = y;
    } else {
      x2 = x;
      y2 = y;
    }
  }
  return false;
}

uint32_t rotate_left(uint32_t value, uint32_t count) {
  count &= 31;
  return count == 0 ? value : (value << count) | (value >> (32 - count));
}

// A styled line between two pixel points (already mapped and offset), clipped to the
// rectangle; the style keeps its phase across the part cut from the start.
void draw_pixel_line(Image& image, const ClipRect& r, Point a, Point b, uint32_t colour,
                     uint32_t style) {
  if (!a.finite() || !b.finite() || r.x1 > r.x2 || r.y1 > r.y2) return;
  long double x1 = a.x, y1 = a.y, x2 = b.x, y2 = b.y;
  if (!clip_segment(x1, y1, x2, y2, r)) return;
  int32_t sx = static_cast<int32_t>(std::nearbyint(static_cast<double>(x1)));
  int32_t sy = static_cast<int32_t>(std::nearbyint(static_cast<double>(y1)));
  int32_t ex = static_cast<int32_t>(std::nearbyint(static_cast<double>(x2)));
  int32_t ey = static_cast<int32_t>(std::nearbyint(static_cast<double>(y2)));
  long double cut = std::max(std::fabs(static_cast<long double>(sx) - a.x),
                             std::fabs(static_cast<long double>(sy) - a.y));
  uint32_t phase = static_cast<uint32_t>(std::fmod(cut, 16.0L));
  style &= 0xFFFF;
  uint32_t pattern = rotate_left(style * 65536u + style, phase);

  int32_t dx = ex - sx;
  int32_t dy = ey - sy;
  bool x_major = std::abs(dy) < std::abs(dx);
  int32_t major = x_major ? sx : sy;
  int32_t major_step = (x_major ? dx : dy) < 0 ? -1 : 1;
  int32_t steps = std::abs(x_major ? dx : dy);
  float minor = static_cast<float>(x_major ? sy : sx);
  float increment = steps == 0 ? 0.0f
                               : static_cast<float>(x_major ? dy : dx) / static_cast<float>(steps);
  for (int32_t i = 0; i <= steps; ++i) {
    pattern = rotate_left(pattern, 1);
    if (pattern & 1) {
      int32_t m = static_cast<int32_t>(std::round(minor));
      int32_t px = x_major ? major : m;
      int32_t py = x_major ? m : major;
      if (r.contains(px, py)) plot(image, px, py, colour);
    }
    minor += increment;
    major += major_step;
  }
}

// Fills the part of a box of pixel corners that lies in the rectangle.
void fill_pixel_box(Image& image, const ClipRect& r, Point a, Point b, uint32_t colour) {
  if (!a.finite() || !b.finite()) return;
  double x1 = std::min(a.x, b.x), x2 = std::max(a.x, b.x);
  double y1 = std::min(a.y, b.y), y2 = std::max(a.y, b.y);
  if (x2 < r.x1 || x1 > r.x2 || y2 < r.y1 || y1 > r.y2) return;
  fill_rect(image, static_cast<int32_t>(std::max<double>(x1, r.x1)),
            static_cast<int32_t>(std::max<double>(y1, r.y1)),
            static_cast<int32_t>(std::min<double>(x2, r.x2)),
            static_cast<int32_t>(std::min<double>(y2, r.y2)), colour);
}

// The destination when it can be drawn on; raises 5 for a text image.
Image* graphics_destination() {
  if (error_pending()) return nullptr;
  Image* image = destination();
  if (image == nullptr) return nullptr;
  if (image->is_text) {
    raise_error(kErrIllegalFunctionCall);
    return nullptr;
  }
  if (!is_graphics(*image)) return nullptr;
  return image;
}

void draw_point(float x, float y, uint32_t colour, int32_t flags, bool reset) {
  Image* image = graphics_destination();
  if (image == nullptr) return;
  if (flags & POINT_RELATIVE) {
    x += image->graphics_x;
    y += image->graphics_y;
  }
  image->graphics_x = x;
  image->graphics_y = y;
  if (!(flags & POINT_COLOR_GIVEN)) colour = reset ? image->background : image->foreground;
  image->draw_color = colour;
  Point p = to_pixel(*image, x, y);
  if (clip_rect(*image).contains(p.x, p.y))
    plot(*image, static_cast<int32_t>(p.x), static_cast<int32_t>(p.y), colour);
}

void fill_box_on(Image& image, float x1, float y1, float x2, float y2, uint32_t colour) {
  fill_pixel_box(image, clip_rect(image), to_pixel(image, x1, y1), to_pixel(image, x2, y2),
                 colour);
}

void styled_line(Image& image, float x1, float y1, float x2, float y2, uint32_t colour,
                 uint32_t style) {
  draw_pixel_line(image, clip_rect(image), to_pixel(image, x1, y1), to_pixel(image, x2, y2),
                  colour, style);
}

// Graphics cursor in pixels, without the viewport offset.
Point cursor_in_pixels(const Image& image) {
  if (image.coordinate_mode == 2)
    return Point{image.scale_offset_x + image.scale_x * image.graphics_x,
                 image.scale_offset_y + image.scale_y * image.graphics_y};
  return Point{image.graphics_x, image.graphics_y};
}

void set_world_mapping(Image& image, float x1, float y1, float x2, float y2, bool upward) {
  image.scale_x = static_cast<float>(image.view_x2 - image.view_x1) / (x2 - x1);
  image.scale_y = static_cast<float>(image.view_y2 - image.view_y1) / (y2 - y1);
  image.scale_offset_x = image.scale_x * -x1;
  image.scale_offset_y = upward ? static_cast<float>(image.view_y2 - image.view_y1) +
                                      image.scale_y * -y2
                                : image.scale_y * -y1;
}

void reset_world_mapping(Image& image) {
  image.coordinate_mode = 1;
  image.scale_x = image.scale_y = 1.0f;
  image.scale_offset_x = image.scale_offset_y = 0.0f;
  image.world_x1 = image.world_y1 = 0.0f;
  image.world_x2 = static_cast<float>(image.width - 1);
  image.world_y2 = static_cast<float>(image.height - 1);
  if (image.view_x1 == 0 && image.view_y1 == 0 && image.view_x2 == image.width - 1 &&
      image.view_y2 == image.height - 1 && image.view_offset_x == 0 &&
      image.view_offset_y == 0)
    image.coordinate_mode = 0;
}

bool is_identity_mapping(const Image& image) {
  return image.world_x1 == 0.0f && image.world_y1 == 0.0f &&
         image.world_x2 == static_cast<float>(image.width - 1) &&
         image.world_y2 == static_cast<float>(image.height - 1) && image.scale_x == 1.0f &&
         image.scale_y == 1.0f && image.scale_offset_x == 0.0f && image.scale_offset_y == 0.0f;
}

void draw_viewport_border(Image& image, uint32_t colour) {
  auto put = [&](int32_t x, int32_t y) { put_pixel(image, x, y, colour); };
  for (int32_t x = image.view_x1 - 1; x <= image.view_x2; ++x) {
    put(x, image.view_y1 - 1);
    put(x, image.view_y2 + 1);
  }
  for (int32_t y = image.view_y1 - 1; y <= image.view_y2; ++y) put(image.view_x1 - 1, y);
  for (int32_t y = image.view_y1 - 1; y <= image.view_y2 + 1; ++y) put(image.view_x2 + 1, y);
}

// ---- circles ------------------------------------------------------------------------

// A negative angle asks for a radius line to it; false for angles beyond a full turn.
bool take_angle(double value, double& angle, bool& radius_line) {
  if (std::isnan(value)) return false;
  radius_line = value < 0;
  angle = std::fabs(value);
  return angle <= kTwoPi;
}

double default_aspect(uint16_t mode) {
  switch (mode) {
    case 1: case 7: case 13: return 5.0 / 6.0;
    case 2: case 8: return 5.0 / 12.0;
    case 9: case 10: return 35.0 / 48.0;
    default: return 1.0;
  }
}

struct Arc {
  Image* image;
  ClipRect clip;
  double cx, cy;      // centre pixel
  double rx, ry;
  double start, end;
  bool wraps;
  uint32_t colour;

  bool contains_angle(double angle) const {
    return wraps ? (angle <= start || angle >= end) : (start <= angle && angle <= end);
  }
  void plot_at(double x, double y, double angle) const {
    if (contains_angle(angle) && clip.contains(x, y))
      plot(*image, static_cast<int32_t>(x), static_cast<int32_t>(y), colour);
  }
  // One offset stands for the four mirrored points of the quarter walk.
  void plot_four(double px, double py, double a) const {
    plot_at(cx + px, cy + py, a);
    plot_at(cx - px, cy + py, kPi - a);
    plot_at(cx - px, cy - py, kPi + a);
    plot_at(cx + px, cy - py, kTwoPi - a);
  }
  void radius_line(double angle) const {
    double p = std::trunc(rx * std::cos(angle) + 0.5);
    double q = std::trunc(ry * std::sin(angle) - 0.5);
    draw_pixel_line(*image, clip, Point{cx, cy}, Point{cx + p, cy - q}, colour, kSolidStyle);
  }
  void quarter_walk(double radius) const {
    double n = std::min(std::floor(kTwoPi * radius / 4 + 0.5), kMaxQuarterSteps);
    double delta = n > 0 ? kHalfPi / n : 0.0;
    double sin_d = std::sin(delta), cos_d = std::cos(delta);
    double vx = 1.0, vy = 0.0;
    auto offset = [&] { return Point{std::trunc(rx * vx + 0.5), std::trunc(ry * vy - 0.5)}; };
    Point last = offset();
    plot_four(last.x, last.y, 0.0);
    Point pending{};
    bool has_pending = false;
    double a = 0.0;
    for (double k = 1; k <= n; ++k) {
      double nx = vx * cos_d + vy * sin_d;
      vy = vy * cos_d - vx * sin_d;
      vx = nx;
      a = k * delta;
      Point current = offset();
      // An offset is kept only when the next one would leave a gap after it.
      if (has_pending &&
          (std::fabs(current.x - last.x) >= 2 || std::fabs(current.y - last.y) >= 2)) {
        plot_four(pending.x, pending.y, a);
        last = pending;
      }
      pending = current;
      has_pending = true;
    }
    if (has_pending) plot_four(pending.x, pending.y, a);
  }
};

// ---- flood fill ---------------------------------------------------------------------

uint8_t opposite(uint8_t direction) {
  switch (direction) {
    case LEFT: return RIGHT;
    case RIGHT: return LEFT;
    case UP: return DOWN;
    default: return UP;
  }
}

void spread_wave(Image& image, const ClipRect& r, uint32_t fill, uint32_t border) {
  static constexpr uint8_t kOrder[] = {LEFT, RIGHT, UP, DOWN};
  while (!state.wave.empty()) {
    state.next_wave.clear();
    for (const WavePoint& p : state.wave) {
      for (uint8_t d : kOrder) {
        if (!(p.open & d)) continue;
        int32_t x = p.x + (d == LEFT ? -1 : d == RIGHT ? 1 : 0);
        int32_t y = p.y + (d == UP ? -1 : d == DOWN ? 1 : 0);
        if (!r.contains(x, y)) continue;
        uint8_t& seen = state.visited[static_cast<size_t>(y) * image.width + x];
        if (seen) continue;
        seen = 1;
        if (pixel_value(image, x, y) == border) continue;
        plot(image, x, y, fill);
        state.next_wave.push_back(
            WavePoint{x, y, static_cast<uint8_t>(ALL_DIRECTIONS & ~opposite(d))});
      }
    }
    std::swap(state.wave, state.next_wave);
  }
}

}  // namespace

// ---- blend tables and pixel writers ----------------------------------------------------

void ensure_blend_tables() {
  if (state.blend_tables_tried) return;
  state.blend_tables_tried = true;
  // Without the tables every blend is computed directly, with the same results.
  uint8_t* channel = new (std::nothrow) uint8_t[kBlendChannelEntries];
  uint8_t* alpha = new (std::nothrow) uint8_t[kBlendAlphaEntries];
  if (channel == nullptr || alpha == nullptr) {
    delete[] channel;
    delete[] alpha;
    return;
  }
  for (uint32_t a = 0; a < 256; ++a) {
    float x = static_cast<float>(a) / 255.0f;
    float rest = 1.0f - x;
    uint8_t* row = channel + (a << 16);
    for (uint32_t s = 0; s < 256; ++s) {
      float part = x * static_cast<float>(s);
      for (uint32_t d = 0; d < 256; ++d)
        row[(s << 8) | d] = static_cast<uint8_t>(std::lrintf(part + rest * static_cast<float>(d)));
    }
    for (uint32_t b = 0; b < 256; ++b) alpha[(a << 8) | b] = blend_alpha_value(a, b);
  }
  state.blend_channel_table = channel;
  state.blend_alpha_table = alpha;
}

uint32_t blend_pixel(uint32_t colour, uint32_t old_pixel) {
  uint32_t a = colour >> 24;
  if (a == 255) return colour;
  if (a == 0) return old_pixel;
  uint32_t old_alpha = old_pixel >> 24;
  if (a == 128 || a == 127) {
    uint32_t rgb = ((colour & kHalfBlendMask) + (old_pixel & kHalfBlendMask)) >> 1;
    return (static_cast<uint32_t>(alpha_lookup(a, old_alpha)) << 24) | rgb;
  }
  uint32_t r = channel_lookup(a, (colour >> 16) & 255, (old_pixel >> 16) & 255);
  uint32_t g = channel_lookup(a, (colour >> 8) & 255, (old_pixel >> 8) & 255);
  uint32_t b = channel_lookup(a, colour & 255, old_pixel & 255);
  return (static_cast<uint32_t>(alpha_lookup(old_alpha, a)) << 24) | (r << 16) | (g << 8) | b;
}

void put_pixel(Image& image, int32_t x, int32_t y, uint32_t colour) {
  if (!is_graphics(image) || x < 0 || y < 0 || x >= image.width || y >= image.height) return;
  plot(image, x, y, colour);
}

namespace {

void fill_rect_with(Image& image, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                    uint32_t colour, bool opaque, uint8_t byte) {
  if (!is_graphics(image)) return;
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, image.width - 1);
  y2 = std::min(y2, image.height - 1);
  if (x1 > x2 || y1 > y2) return;
  size_t count = static_cast<size_t>(x2 - x1 + 1);
  if (image.bytes_per_pixel == 1) {
    for (int32_t y = y1; y <= y2; ++y)
      std::memset(image.pixels + static_cast<size_t>(y) * image.width + x1, byte, count);
    return;
  }
  uint32_t alpha = colour >> 24;
  if (opaque || image.blend_off || alpha == 255) {
    uint32_t* first = pixel32(image, x1, y1);
    std::fill(first, first + count, colour);
    for (int32_t y = y1 + 1; y <= y2; ++y)
      std::memcpy(pixel32(image, x1, y), first, count * sizeof(uint32_t));
    return;
  }
  if (alpha == 0) return;
  for (int32_t y = y1; y <= y2; ++y) {
    uint32_t* p = pixel32(image, x1, y);
    for (size_t i = 0; i < count; ++i) p[i] = blend_pixel(colour, p[i]);
  }
}

}  // namespace

void fill_rect(Image& image, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
  fill_rect_with(image, x1, y1, x2, y2, colour, false,
                 static_cast<uint8_t>(colour & image.color_mask));
}

void fill_rect_opaque(Image& image, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      uint32_t colour) {
  fill_rect_with(image, x1, y1, x2, y2, colour, true, static_cast<uint8_t>(colour));
}

// ---- script-level operations -----------------------------------------------------------

void set_point(float x, float y, uint32_t colour, int32_t flags) {
  draw_point(x, y, colour, flags, false);
}

void reset_point(float x, float y, uint32_t colour, int32_t flags) {
  draw_point(x, y, colour, flags, true);
}

double read_point(float x, float y, int32_t given) {
  if (error_pending()) return 0;
  Image* image = source();
  if (image == nullptr) return 0;
  if (image->is_text || !is_graphics(*image)) {
    raise_error(kErrIllegalFunctionCall);
    return 0;
  }
  if (!given) {
    double selector = std::nearbyint(static_cast<double>(x));
    if (!(selector >= 0 && selector <= 3)) {
      raise_error(kErrIllegalFunctionCall);
      return 0;
    }
    Point cursor = cursor_in_pixels(*image);
    switch (static_cast<int>(selector)) {
      case 0: return std::nearbyint(cursor.x);
      case 1: return std::nearbyint(cursor.y);
      case 2: return image->graphics_x;
      default: return image->graphics_y;
    }
  }
  Point p = to_pixel(*image, x, y);
  if (!clip_rect(*image).contains(p.x, p.y)) return -1;
  return pixel_value(*image, static_cast<int32_t>(p.x), static_cast<int32_t>(p.y));
}

void draw_line(float x1, float y1, float x2, float y2, uint32_t colour, int32_t shape,
               int32_t style, int32_t flags) {
  if (error_pending()) return;
  if (shape < LINE_SHAPE_LINE || shape > LINE_SHAPE_FILLED_BOX) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  Image* image = graphics_destination();
  if (image == nullptr) return;
  if (!(flags & LINE_FIRST_GIVEN)) {
    x1 = image->graphics_x;
    y1 = image->graphics_y;
  } else if (flags & LINE_FIRST_RELATIVE) {
    x1 += image->graphics_x;
    y1 += image->graphics_y;
  }
  image->graphics_x = x1;
  image->graphics_y = y1;
  if (flags & LINE_SECOND_RELATIVE) {
    x2 += image->graphics_x;
    y2 += image->graphics_y;
  }
  image->graphics_x = x2;
  image->graphics_y = y2;
  if (!(flags & LINE_COLOR_GIVEN)) colour = image->foreground;
  image->draw_color = colour;
  uint32_t pattern = (flags & LINE_STYLE_GIVEN) ? static_cast<uint32_t>(style) & 0xFFFF
                                                : kSolidStyle;
  switch (shape) {
    case LINE_SHAPE_LINE:
      styled_line(*image, x1, y1, x2, y2, colour, pattern);
      break;
    case LINE_SHAPE_BOX:
      // Each side starts the style afresh, so the corners are drawn twice.
      styled_line(*image, x1, y1, x2, y1, colour, pattern);
      styled_line(*image, x2, y1, x2, y2, colour, pattern);
      styled_line(*image, x2, y2, x1, y2, colour, pattern);
      styled_line(*image, x1, y2, x1, y1, colour, pattern);
      break;
    default:
      fill_box_on(*image, x1, y1, x2, y2, colour);
      break;
  }
}

void fill_box(float x1, float y1, float x2, float y2, uint32_t colour) {
  if (error_pending()) return;
  Image* image = destination();
  if (image == nullptr || !is_graphics(*image)) return;
  fill_box_on(*image, x1, y1, x2, y2, colour);
}

void set_viewport(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t fill,
                  uint32_t border, int32_t flags) {
  if (error_pending()) return;
  Image* image = destination();
  if (image == nullptr) return;
  bool corners = flags & VIEWPORT_CORNERS_GIVEN;
  auto inside = [&](int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < image->width && y < image->height;
  };
  if ((!corners && (flags & (VIEWPORT_SCREEN_RELATIVE | VIEWPORT_FILL_GIVEN |
                             VIEWPORT_BORDER_GIVEN))) ||
      (corners && !(inside(x1, y1) && inside(x2, y2)))) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  image->draw_angle = 0.0;
  image->draw_scale = 1.0;
  if (!corners) {
    image->view_x1 = image->view_y1 = 0;
    image->view_x2 = image->width - 1;
    image->view_y2 = image->height - 1;
    image->view_offset_x = image->view_offset_y = 0;
    if (image->coordinate_mode == 1) image->coordinate_mode = 0;
  } else {
    image->view_x1 = std::min(x1, x2);
    image->view_x2 = std::max(x1, x2);
    image->view_y1 = std::min(y1, y2);
    image->view_y2 = std::max(y1, y2);
    bool relative = flags & VIEWPORT_SCREEN_RELATIVE;
    image->view_offset_x = relative ? 0 : image->view_x1;
    image->view_offset_y = relative ? 0 : image->view_y1;
    if (image->coordinate_mode == 0) image->coordinate_mode = 1;
  }
  // The world window follows the new viewport. Its upward y is measured from the
  // viewport's height, as set_world_window does: the viewport offset is added later.
  if (image->coordinate_mode == 2)
    set_world_mapping(*image, image->world_x1, image->world_y1, image->world_x2,
                      image->world_y2, image->world_y2 < image->world_y1);
  // A text image keeps only the fields: its cells are not pixels to fill or border.
  if (!is_graphics(*image)) return;
  if (flags & VIEWPORT_FILL_GIVEN)
    fill_box_on(*image, image->world_x1, image->world_y1, image->world_x2, image->world_y2, fill);
  if (flags & VIEWPORT_BORDER_GIVEN) draw_viewport_border(*image, border);
}

void set_world_window(float x1, float y1, float x2, float y2, int32_t flags) {
  Image* image = graphics_destination();
  if (image == nullptr) return;
  bool corners = flags & WORLD_CORNERS_GIVEN;
  bool screen_orientation = flags & WORLD_SCREEN_ORIENTATION;
  if (!corners && screen_orientation) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  if (corners && (x1 == x2 || y1 == y2 || !std::isfinite(x1) || !std::isfinite(y1) ||
                  !std::isfinite(x2) || !std::isfinite(y2))) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  Point cursor = cursor_in_pixels(*image);
  if (corners) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    if (!screen_orientation) std::swap(y1, y2);  // y grows upwards
    image->coordinate_mode = 2;
    set_world_mapping(*image, x1, y1, x2, y2, !screen_orientation);
    image->world_x1 = x1;
    image->world_y1 = y1;
    image->world_x2 = x2;
    image->world_y2 = y2;
    if (!is_identity_mapping(*image)) {
      image->graphics_x = to_float((cursor.x - image->scale_offset_x) / image->scale_x);
      image->graphics_y = to_float((cursor.y - image->scale_offset_y) / image->scale_y);
      return;
    }
  }
  reset_world_mapping(*image);
  image->graphics_x = to_float(cursor.x);
  image->graphics_y = to_float(cursor.y);
}

void draw_circle(double x, double y, double radius, uint32_t colour, double start, double end,
                 double aspect, int32_t flags) {
  if (error_pending()) return;
  Image* image = destination();
  if (image == nullptr) return;
  double start_angle = 0.0, end_angle = kTwoPi;
  bool start_line = false, end_line = false;
  if (image->is_text || ((flags & CIRCLE_START_GIVEN) && !take_angle(start, start_angle, start_line)) ||
      ((flags & CIRCLE_END_GIVEN) && !take_angle(end, end_angle, end_line))) {
    raise_error(kErrIllegalFunctionCall);
    return;
  }
  if (!is_graphics(*image)) return;
  bool wraps = false;
  if (end_angle < start_angle) {
    std::swap(start_angle, end_angle);
    std::swap(start_line, end_line);
    wraps = true;
  }
  if (flags & CIRCLE_RELATIVE) {
    x += image->graphics_x;
    y += image->graphics_y;
  }
  image->graphics_x = to_float(x);
  image->graphics_y = to_float(y);

  double tx = x, ty = y, tedge = x + radius;
  if (image->coordinate_mode == 2) {
    tx = image->scale_offset_x + image->scale_x * x;
    ty = image->scale_offset_y + image->scale_y * y;
    tedge = image->scale_offset_x + image->scale_x * (x + radius);
  }
  if (image->coordinate_mode != 0) {
    tx += image->view_offset_x;
    ty += image->view_offset_y;
    tedge += image->view_offset_x;
  }
  double pixel_radius = std::fabs(tedge - tx);
  if (!std::isfinite(tx) || !std::isfinite(ty) || !std::isfinite(pixel_radius)) return;

  if (!(flags & CIRCLE_ASPECT_GIVEN)) aspect = default_aspect(image->mode);
  double rx = pixel_radius, ry = pixel_radius;
  if (aspect >= 0 && aspect < 1) ry = pixel_radius * aspect;
  else if (aspect > 1) rx = pixel_radius / aspect;
  else if (aspect > -1 && aspect < 0) ry = pixel_radius * (aspect + 1);

  Arc arc{image, clip_rect(*image), std::round(tx), std::round(ty), rx, ry,
          start_angle, end_angle, wraps, colour};
  if (arc.cx + rx + 0.5 < arc.clip.x1 || arc.cx - rx - 0.5 > arc.clip.x2 ||
      arc.cy + ry + 0.5 < arc.clip.y1 || arc.cy - ry - 0.5 > arc.clip.y2)
    return;
  if (!(flags & CIRCLE_COLOR_GIVEN)) colour = image->foreground;
  arc.colour = colour;
  image->draw_color = colour;
  if (start_line) arc.radius_line(start_angle);
  arc.quarter_walk(pixel_radius);
  if (end_line) arc.radius_line(end_angle);
}

void flood_fill(float x, float y, uint32_t fill, uint32_t border, int32_t unused, int32_t flags) {
  Image* image = graphics_destination();
  if (image == nullptr) return;
  if (!(flags & FLOOD_FILL_GIVEN)) fill = image->foreground;
  if (!(flags & FLOOD_BORDER_GIVEN)) border = fill;
  if (image->bytes_per_pixel == 1) {
    fill &= image->color_mask;
    border &= image->color_mask;
  }
  image->draw_color = fill;
  if (flags & FLOOD_RELATIVE) {
    x += image->graphics_x;
    y += image->graphics_y;
  }
  image->graphics_x = x;
  image->graphics_y = y;
  Point p = to_pixel(*image, x, y);
  ClipRect r = clip_rect(*image);
  if (!r.contains(p.x, p.y)) return;
  int32_t px = static_cast<int32_t>(p.x), py = static_cast<int32_t>(p.y);
  if (pixel_value(*image, px, py) == border) return;

  size_t pixel_count = static_cast<size_t>(image->width) * image->height;
  if (state.visited.size() < pixel_count) state.visited.resize(pixel_count, 0);
  if (state.wave.capacity() < kInitialWaveCapacity) {
    state.wave.reserve(kInitialWaveCapacity);
    state.next_wave.reserve(kInitialWaveCapacity);
  }
  plot(*image, px, py, fill);
  state.visited[static_cast<size_t>(py) * image->width + px] = 1;
  state.wave.assign(1, WavePoint{px, py, ALL_DIRECTIONS});
  spread_wave(*image, r, fill, border);
  std::memset(state.visited.data(), 0, pixel_count);
}

}  // namespace rt
