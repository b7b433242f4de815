#include "runtime/screen/drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "runtime/core/errors.h"
#include "runtime/core/low_memory.h"
#include "runtime/screen/screen_state.h"
#include "runtime/strings/string_storage.h"

namespace {

using rt::Image;
using Pixel = std::pair<int32_t, int32_t>;

constexpr int32_t kModeGiven = 1;
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr double kPi = 3.141592653589793;
constexpr int32_t kColorGiven = rt::POINT_COLOR_GIVEN;
constexpr int32_t kLineGiven = rt::LINE_FIRST_GIVEN | rt::LINE_COLOR_GIVEN;

class Drawing : public ::testing::Test {
 protected:
  void SetUp() override {
    rt::initialise_low_memory();
    rt::initialise_string_storage();
    rt::initialise_screen();
    mode(12);
  }
  // A fresh screen: selecting the mode already shown would keep everything.
  void mode(int32_t m) {
    rt::set_screen_mode(m == 0 ? 12 : 0, 0, 0, 0, 0, kModeGiven);
    rt::set_screen_mode(m, 0, 0, 0, 0, kModeGiven);
    ASSERT_FALSE(rt::error_pending());
  }
  Image& screen() { return *rt::destination(); }
  // A 32-bit off-screen image as the destination, every pixel `fill`.
  void image32(int32_t width, int32_t height, uint32_t fill) {
    int32_t slot = rt::create_image(width, height, 32);
    ASSERT_NE(slot, 0);
    rt::select_destination(slot);
    rt::select_source(slot);
    uint32_t* p = reinterpret_cast<uint32_t*>(screen().pixels);
    std::fill(p, p + size_t{static_cast<uint32_t>(width * height)}, fill);
  }
  uint32_t at(int32_t x, int32_t y) {
    Image& s = screen();
    if (s.bytes_per_pixel == 4) return reinterpret_cast<uint32_t*>(s.pixels)[y * s.width + x];
    return s.pixels[y * s.width + x];
  }
  // Every pixel that is not 0, row by row.
  std::vector<Pixel> lit() {
    std::vector<Pixel> result;
    for (int32_t y = 0; y < screen().height; ++y)
      for (int32_t x = 0; x < screen().width; ++x)
        if (at(x, y) != 0) result.emplace_back(x, y);
    return result;
  }
  size_t count(uint32_t colour) {
    size_t n = 0;
    for (int32_t y = 0; y < screen().height; ++y)
      for (int32_t x = 0; x < screen().width; ++x) n += at(x, y) == colour;
    return n;
  }
  std::vector<uint8_t> record_bytes() {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&screen());
    return std::vector<uint8_t>(p, p + sizeof(Image));
  }
  template <typename Call>
  void expect_refused(Call call, const char* what) {
    std::vector<uint8_t> record = record_bytes();
    std::vector<Pixel> before = lit();
    call();
    EXPECT_EQ(rt::pending_error(), rt::kErrIllegalFunctionCall) << what;
    EXPECT_EQ(record, record_bytes()) << what;
    EXPECT_EQ(before, lit()) << what;
    rt::clear_pending_error();
  }
};

TEST_F(Drawing, PointsRoundToEvenAndOutsidePointsAreDropped) {
  struct Case {
    float x, y;
    std::vector<Pixel> drawn;
  };
  const Case cases[] = {
      {640, 10, {}},
      {639.5f, 10, {}},
      {638.5f, 10, {{638, 10}}},
      {-0.5f, 0.5f, {{0, 0}}},
      {0, 479.5f, {}},
      {-1, 3, {}},
      {1e30f, 5, {}},
      {-3.4e38f, 5, {}},
      {kInf, 5, {}},
      {5, -kInf, {}},
      {kNaN, 5, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
    mode(12);
    rt::set_point(c.x, c.y, 9, kColorGiven);
    EXPECT_EQ(lit(), c.drawn);
    if (!std::isnan(c.x)) {
      EXPECT_EQ(screen().graphics_x, c.x);
    }
    EXPECT_EQ(screen().draw_color, 9u);
  }
}

TEST_F(Drawing, PointColoursDefaultToForegroundAndBackground) {
  rt::set_point(1, 1, 0, 0);
  EXPECT_EQ(at(1, 1), 15u);
  rt::reset_point(0, 1, 0, rt::POINT_RELATIVE);  // (1, 2) in the background
  rt::set_point(1, 1, 0, rt::POINT_RELATIVE);    // (2, 3)
  EXPECT_EQ(at(1, 2), 0u);
  EXPECT_EQ(at(2, 3), 15u);
  // A palette image keeps only the bits of its mask.
  rt::set_point(5, 5, 0x1F3, kColorGiven);
  EXPECT_EQ(at(5, 5), 3u);
}

TEST_F(Drawing, LineStepsAlongTheMajorAxisRoundingHalvesAwayFromZero) {
  rt::draw_line(0, 0, 10, 3, 2, 0, 0, kLineGiven);
  std::vector<Pixel> expected;
  const int32_t ys[] = {0, 0, 1, 1, 1, 2, 2, 2, 2, 3, 3};
  for (int32_t x = 0; x <= 10; ++x) expected.emplace_back(x, ys[x]);
  std::sort(expected.begin(), expected.end(),
            [](Pixel a, Pixel b) { return std::tie(a.second, a.first) < std::tie(b.second, b.first); });
  EXPECT_EQ(lit(), expected);
  EXPECT_EQ(screen().graphics_x, 10.0f);
  EXPECT_EQ(screen().graphics_y, 3.0f);

  // Drawn backwards it covers the same pixels.
  mode(12);
  rt::draw_line(10, 3, 0, 0, 2, 0, 0, kLineGiven);
  EXPECT_EQ(lit().size(), 11u);
}

TEST_F(Drawing, StyleIsReadFromItsHighestBitAndKeepsItsPhaseWhenClipped) {
  rt::draw_line(0, 0, 10, 3, 2, 0, 0xAAAA, kLineGiven | rt::LINE_STYLE_GIVEN);
  std::vector<int32_t> xs;
  for (Pixel p : lit()) xs.push_back(p.first);
  std::sort(xs.begin(), xs.end());
  EXPECT_EQ(xs, (std::vector<int32_t>{0, 2, 4, 6, 8, 10}));

  // One dot every 16 pixels; starting off-screen at x = -3 the dot falls on 13, as if
  // the line had been drawn from there.
  mode(12);
  rt::draw_line(-3, 0, 40, 0, 2, 0, 0x8000, kLineGiven | rt::LINE_STYLE_GIVEN);
  EXPECT_EQ(lit(), (std::vector<Pixel>{{13, 0}, {29, 0}}));
}

TEST_F(Drawing, LinesWithHugeOrNonFiniteEndsAreClippedOrDropped) {
  struct Case {
    float x1, y1, x2, y2;
    size_t drawn;
  };
  const Case cases[] = {
      {-1e30f, 5, 1e30f, 5, 640},
      {-3.4e38f, -3.4e38f, 3.4e38f, 3.4e38f, 480},
      {5, -1e20f, 5, 1e20f, 480},
      {-kInf, 5, 10, 5, 0},
      {kNaN, 5, 10, 5, 0},
      {700, 700, 900, -900, 0},
      {-10, -10, -1, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2);
    mode(12);
    rt::draw_line(c.x1, c.y1, c.x2, c.y2, 2, 0, 0, kLineGiven);
    EXPECT_EQ(lit().size(), c.drawn);
    for (int32_t shape : {rt::LINE_SHAPE_BOX, rt::LINE_SHAPE_FILLED_BOX})
      rt::draw_line(c.x1, c.y1, c.x2, c.y2, 2, shape, 0, kLineGiven);
    EXPECT_FALSE(rt::error_pending());
  }
}

TEST_F(Drawing, BoxesOutlineAndFill) {
  rt::draw_line(20, 10, 10, 15, 3, rt::LINE_SHAPE_BOX, 0, kLineGiven);
  EXPECT_EQ(lit().size(), 11u * 2 + 4u * 2);
  EXPECT_EQ(at(10, 10), 3u);
  EXPECT_EQ(at(20, 15), 3u);
  EXPECT_EQ(at(15, 12), 0u);
  rt::draw_line(20, 10, 10, 15, 4, rt::LINE_SHAPE_FILLED_BOX, 0xF0F0, kLineGiven | rt::LINE_STYLE_GIVEN);
  EXPECT_EQ(count(4), 11u * 6);
  // A filled box reaching off the image is cut at its edges.
  rt::fill_box(630, 470, 1e9f, 1e9f, 5);
  EXPECT_EQ(count(5), 10u * 10);
}

TEST_F(Drawing, HalfTransparentBoxOutlineBlendsItsCornersTwice) {
  image32(40, 40, 0xFF000000u);
  const uint32_t colour = 0x80FF0000u;
  rt::draw_line(5, 5, 15, 15, colour, rt::LINE_SHAPE_BOX, 0, kLineGiven);
  uint32_t once = rt::blend_pixel(colour, 0xFF000000u);
  EXPECT_EQ(once, 0xFF7F0000u);
  EXPECT_EQ(at(10, 5), once);
  EXPECT_EQ(at(15, 10), once);
  for (Pixel corner : {Pixel{5, 5}, Pixel{15, 5}, Pixel{15, 15}, Pixel{5, 15}})
    EXPECT_EQ(at(corner.first, corner.second), rt::blend_pixel(colour, once));
}

TEST_F(Drawing, BlendTablesFollowTheAlphaRules) {
  rt::ensure_blend_tables();
  struct Case {
    uint32_t colour, old, result;
  };
  const Case cases[] = {
      {0xFF123456u, 0xFFABCDEFu, 0xFF123456u},  // opaque replaces
      {0x00123456u, 0xFFABCDEFu, 0xFFABCDEFu},  // transparent leaves
      {0x40FF0000u, 0xFF0000FFu, 0xFF4000BFu},  // 64/255 of red over blue
      {0x80FF0000u, 0xFF0000FFu, 0xFF7F007Fu},  // halves by masked add and shift
      {0x80FF0000u, 0x00000000u, 0x807F0000u},
      {0x7FFF0000u, 0x00000000u, 0x7F7F0000u},
      {0xC0FFFFFFu, 0x40000000u, 0xD0C0C0C0u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.colour << " over " << c.old);
    EXPECT_EQ(rt::blend_pixel(c.colour, c.old), c.result);
  }
}

TEST_F(Drawing, AlphaZeroDrawsNothingUnlessBlendingIsOff) {
  image32(8, 8, 0xFF112233u);
  rt::set_point(1, 1, 0x00445566u, kColorGiven);
  EXPECT_EQ(at(1, 1), 0xFF112233u);
  rt::fill_box(2, 2, 4, 4, 0x00445566u);
  EXPECT_EQ(at(3, 3), 0xFF112233u);
  screen().blend_off = 1;
  rt::set_point(1, 1, 0x00445566u, kColorGiven);
  EXPECT_EQ(at(1, 1), 0x00445566u);
  rt::fill_box(2, 2, 4, 4, 0x00445566u);
  EXPECT_EQ(at(3, 3), 0x00445566u);
}

TEST_F(Drawing, WorldWindowMapsCornersOntoTheViewport) {
  struct Case {
    int32_t flags;
    float x, y;
    Pixel pixel;
  };
  const Case cases[] = {
      {rt::WORLD_CORNERS_GIVEN, 0, 0, {0, 479}},
      {rt::WORLD_CORNERS_GIVEN, 100, 100, {639, 0}},
      {rt::WORLD_CORNERS_GIVEN | rt::WORLD_SCREEN_ORIENTATION, 0, 0, {0, 0}},
      {rt::WORLD_CORNERS_GIVEN | rt::WORLD_SCREEN_ORIENTATION, 100, 100, {639, 479}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.flags << ": " << c.x << ", " << c.y);
    mode(12);
    rt::set_world_window(100, 100, 0, 0, c.flags);  // corners in any order
    rt::set_point(c.x, c.y, 7, kColorGiven);
    EXPECT_EQ(lit(), std::vector<Pixel>{c.pixel});
    EXPECT_EQ(rt::read_point(c.x, c.y, 1), 7.0);
    EXPECT_EQ(rt::read_point(0, 0, 0), c.pixel.first);
    EXPECT_EQ(rt::read_point(1, 0, 0), c.pixel.second);
    EXPECT_EQ(rt::read_point(2, 0, 0), c.x);
    EXPECT_EQ(rt::read_point(3, 0, 0), c.y);
  }
}

TEST_F(Drawing, WorldWindowEndsAndKeepsTheCursorWhereItWas) {
  rt::set_point(100, 50, 1, kColorGiven);
  // 639 by 479 pixels over 63.9 by 47.9: ten pixels a unit.
  rt::set_world_window(0, 0, 63.9f, 47.9f, rt::WORLD_CORNERS_GIVEN | rt::WORLD_SCREEN_ORIENTATION);
  EXPECT_EQ(screen().coordinate_mode, 2);
  EXPECT_NEAR(screen().graphics_x, 10.0f, 0.01f);
  EXPECT_NEAR(screen().graphics_y, 5.0f, 0.01f);
  rt::set_world_window(0, 0, 0, 0, 0);
  EXPECT_EQ(screen().coordinate_mode, 0);
  EXPECT_NEAR(screen().graphics_x, 100.0f, 0.01f);
  // The identity window is no world window at all.
  rt::set_world_window(0, 0, 639, 479, rt::WORLD_CORNERS_GIVEN | rt::WORLD_SCREEN_ORIENTATION);
  EXPECT_EQ(screen().coordinate_mode, 0);
}

TEST_F(Drawing, WorldWindowRefusesDegenerateWindows) {
  expect_refused([] { rt::set_world_window(0, 0, 0, 10, rt::WORLD_CORNERS_GIVEN); }, "no width");
  expect_refused([] { rt::set_world_window(0, 5, 10, 5, rt::WORLD_CORNERS_GIVEN); }, "no height");
  expect_refused([] { rt::set_world_window(0, 0, 0, 0, rt::WORLD_SCREEN_ORIENTATION); }, "flag 2 alone");
  expect_refused([] { rt::set_world_window(0, 0, kNaN, 10, rt::WORLD_CORNERS_GIVEN); }, "NaN");
  expect_refused([] { rt::set_world_window(0, 0, kInf, 10, rt::WORLD_CORNERS_GIVEN); }, "infinite");
}

TEST_F(Drawing, ViewportOffsetsClipsAndBorders) {
  rt::set_viewport(20, 20, 10, 10, 2, 4,
                   rt::VIEWPORT_CORNERS_GIVEN | rt::VIEWPORT_FILL_GIVEN | rt::VIEWPORT_BORDER_GIVEN);
  EXPECT_EQ(count(4), 12u * 4);
  for (int32_t i = 9; i <= 21; ++i) {
    EXPECT_EQ(at(9, i), 4u);
    EXPECT_EQ(at(21, i), 4u);
    EXPECT_EQ(at(i, 9), 4u);
    EXPECT_EQ(at(i, 21), 4u);
  }
  EXPECT_EQ(count(2), 11u * 11);
  rt::set_point(0, 0, 7, kColorGiven);
  EXPECT_EQ(at(10, 10), 7u);
  rt::set_point(11, 0, 7, kColorGiven);  // pixel 21: outside the viewport
  EXPECT_EQ(at(21, 10), 4u);
  EXPECT_EQ(rt::read_point(11, 0, 1), -1.0);
  rt::draw_line(-100, 5, 100, 5, 8, 0, 0, kLineGiven);
  EXPECT_EQ(count(8), 11u);

  // Screen-relative: no offset, still clipped.
  rt::set_viewport(10, 10, 20, 20, 0, 0, rt::VIEWPORT_CORNERS_GIVEN | rt::VIEWPORT_SCREEN_RELATIVE);
  rt::set_point(12, 12, 9, kColorGiven);
  EXPECT_EQ(at(12, 12), 9u);
  // Without corners the whole image is back.
  rt::set_viewport(0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(screen().coordinate_mode, 0);
  rt::set_point(300, 300, 9, kColorGiven);
  EXPECT_EQ(at(300, 300), 9u);
}

TEST_F(Drawing, BorderAtTheImageEdgeStaysInside) {
  rt::set_viewport(0, 0, 639, 479, 0, 4, rt::VIEWPORT_CORNERS_GIVEN | rt::VIEWPORT_BORDER_GIVEN);
  EXPECT_FALSE(rt::error_pending());
  EXPECT_EQ(lit().size(), 0u);
}

TEST_F(Drawing, ViewportRefusesCornersOutsideAndFlagsWithoutCorners) {
  using F = rt::ViewportFlags;
  expect_refused([] { rt::set_viewport(0, 0, 640, 10, 0, 0, F::VIEWPORT_CORNERS_GIVEN); }, "x 640");
  expect_refused([] { rt::set_viewport(-1, 0, 10, 10, 0, 0, F::VIEWPORT_CORNERS_GIVEN); }, "x -1");
  expect_refused([] { rt::set_viewport(0, 0, 10, 480, 0, 0, F::VIEWPORT_CORNERS_GIVEN); }, "y 480");
  expect_refused([] { rt::set_viewport(0, 0, 0, 0, 1, 0, F::VIEWPORT_FILL_GIVEN); }, "fill alone");
  expect_refused([] { rt::set_viewport(0, 0, 0, 0, 0, 1, F::VIEWPORT_BORDER_GIVEN); }, "border alone");
  expect_refused([] { rt::set_viewport(0, 0, 0, 0, 0, 0, F::VIEWPORT_SCREEN_RELATIVE); }, "relative alone");
}

TEST_F(Drawing, WorldWindowFollowsALaterViewport) {
  rt::set_world_window(0, 0, 10, 10, rt::WORLD_CORNERS_GIVEN);
  rt::set_viewport(100, 100, 200, 200, 0, 0, rt::VIEWPORT_CORNERS_GIVEN);
  rt::set_point(0, 0, 5, kColorGiven);
  rt::set_point(10, 10, 6, kColorGiven);
  EXPECT_EQ(at(100, 200), 5u);
  EXPECT_EQ(at(200, 100), 6u);
}

TEST_F(Drawing, CircleAspectDependsOnTheMode) {
  struct Case {
    int32_t mode;
    double aspect;
    int32_t flags;
    int32_t half_width, half_height;
  };
  const Case cases[] = {
      {12, 0, 0, 10, 10},
      {13, 0, 0, 10, 8},   // 5/6: vertical radius 8.3
      {2, 0, 0, 10, 4},    // 5/12
      {9, 0, 0, 10, 7},    // 35/48
      {12, 2.0, rt::CIRCLE_ASPECT_GIVEN, 5, 10},
      {12, 0.5, rt::CIRCLE_ASPECT_GIVEN, 10, 5},
      {12, -0.5, rt::CIRCLE_ASPECT_GIVEN, 10, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " aspect " << c.aspect);
    mode(c.mode);
    rt::draw_circle(50, 50, 10, 3, 0, 0, c.aspect, rt::CIRCLE_COLOR_GIVEN | c.flags);
    std::vector<Pixel> pixels = lit();
    ASSERT_FALSE(pixels.empty());
    int32_t min_x = 1000, max_x = -1, min_y = 1000, max_y = -1;
    for (Pixel p : pixels) {
      min_x = std::min(min_x, p.first);
      max_x = std::max(max_x, p.first);
      min_y = std::min(min_y, p.second);
      max_y = std::max(max_y, p.second);
    }
    EXPECT_EQ(min_x, 50 - c.half_width);
    EXPECT_EQ(max_x, 50 + c.half_width);
    EXPECT_EQ(min_y, 50 - c.half_height);
    EXPECT_EQ(max_y, 50 + c.half_height);
    EXPECT_EQ(screen().graphics_x, 50.0f);
  }
}

TEST_F(Drawing, CircleOfRadiusTenHasNoGapsAndStaysOnItsRadius) {
  rt::draw_circle(100, 100, 10, 3, 0, 0, 0, rt::CIRCLE_COLOR_GIVEN);
  for (Pixel p : lit()) {
    double d = std::hypot(p.first - 100, p.second - 100);
    EXPECT_NEAR(d, 10.0, 0.8) << p.first << "," << p.second;
    // Every pixel has a neighbour on the circle (8-connected).
    int neighbours = 0;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        neighbours += (dx || dy) && at(p.first + dx, p.second + dy) != 0;
    EXPECT_GE(neighbours, 1);
  }
  // Mirror symmetry of the quarter walk.
  for (Pixel p : lit()) EXPECT_NE(at(200 - p.first, p.second), 0u);
}

TEST_F(Drawing, ArcsWrapThroughZeroAndNegativeAnglesAddRadiusLines) {
  const int32_t kArc = rt::CIRCLE_COLOR_GIVEN | rt::CIRCLE_START_GIVEN | rt::CIRCLE_END_GIVEN;
  // End below start: the right half, through angle 0.
  rt::draw_circle(100, 100, 10, 3, 1.5 * kPi, 0.5 * kPi, 0, kArc);
  EXPECT_NE(at(110, 100), 0u);
  EXPECT_EQ(at(90, 100), 0u);
  mode(12);
  rt::draw_circle(100, 100, 10, 3, 0.5 * kPi, 1.5 * kPi, 0, kArc);
  EXPECT_EQ(at(110, 100), 0u);
  EXPECT_NE(at(90, 100), 0u);
  // A pie slice from just above 0 to a quarter turn. The upward radius line ends one
  // pixel short of the arc's top: its length rounds (10 - 0.5) toward zero.
  mode(12);
  rt::draw_circle(100, 100, 10, 3, -1e-9, -0.5 * kPi, 0, kArc);
  for (int32_t i = 0; i <= 10; ++i) EXPECT_NE(at(100 + i, 100), 0u) << i;
  for (int32_t i = 0; i <= 9; ++i) EXPECT_NE(at(100, 100 - i), 0u) << i;
  EXPECT_EQ(at(95, 100), 0u);
  EXPECT_EQ(at(100, 105), 0u);
}

TEST_F(Drawing, CircleRefusesAnglesBeyondAFullTurn) {
  const int32_t kStart = rt::CIRCLE_START_GIVEN;
  expect_refused([] { rt::draw_circle(50, 50, 10, 1, 6.3, 0, 0, rt::CIRCLE_START_GIVEN); }, "6.3");
  expect_refused([] { rt::draw_circle(50, 50, 10, 1, 0, -7, 0, rt::CIRCLE_END_GIVEN); }, "-7");
  expect_refused([=] { rt::draw_circle(50, 50, 10, 1, std::nan(""), 0, 0, kStart); }, "NaN");
  rt::draw_circle(50, 50, 10, 1, 2 * kPi, 0, 0, kStart);
  EXPECT_FALSE(rt::error_pending());
}

TEST_F(Drawing, HugeAndNonFiniteCirclesStayBounded) {
  struct Case {
    double x, y, radius;
  };
  const Case cases[] = {
      {320, 240, 1e300}, {320, 240, std::nan("")}, {std::numeric_limits<double>::infinity(), 0, 5},
      {320, 240, -1e12}, {-1e300, 0, 1e300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " r " << c.radius);
    mode(12);
    rt::draw_circle(c.x, c.y, c.radius, 3, 0, 0, 0, rt::CIRCLE_COLOR_GIVEN);
    EXPECT_FALSE(rt::error_pending());
  }
  // A huge circle whose edge crosses the screen draws that edge, and only it.
  mode(12);
  rt::draw_circle(-999680, 240, 1e6, 3, 0, 0, 0, rt::CIRCLE_COLOR_GIVEN);
  std::vector<Pixel> pixels = lit();
  EXPECT_FALSE(pixels.empty());
  for (Pixel p : pixels) EXPECT_NEAR(p.first, 320, 2);
}

TEST_F(Drawing, FloodFillStopsAtTheBorderColour) {
  rt::draw_line(10, 10, 30, 30, 4, rt::LINE_SHAPE_BOX, 0, kLineGiven);
  const int32_t kBoth = rt::FLOOD_FILL_GIVEN | rt::FLOOD_BORDER_GIVEN;
  rt::flood_fill(20, 20, 2, 4, 0, kBoth);
  EXPECT_EQ(count(2), 19u * 19);
  EXPECT_EQ(at(9, 9), 0u);
  rt::flood_fill(0, 0, 3, 4, 0, kBoth);
  EXPECT_EQ(count(3), 640u * 480 - 21 * 21);
  EXPECT_EQ(count(2), 19u * 19);
  // Started on the border colour: nothing.
  rt::flood_fill(10, 10, 5, 4, 0, kBoth);
  EXPECT_EQ(count(5), 0u);
  // Without a border colour the fill colour is the border: the outline no longer holds.
  rt::flood_fill(20, 20, 6, 0, 0, rt::FLOOD_FILL_GIVEN);
  EXPECT_EQ(count(6), 640u * 480);
  EXPECT_EQ(screen().draw_color, 6u);
}

TEST_F(Drawing, FloodFillWithoutOutlineFillsTheViewport) {
  rt::set_viewport(100, 100, 199, 149, 0, 0, rt::VIEWPORT_CORNERS_GIVEN);
  rt::flood_fill(5, 5, 2, 4, 0, rt::FLOOD_FILL_GIVEN | rt::FLOOD_BORDER_GIVEN);
  EXPECT_EQ(count(2), 100u * 50);
  EXPECT_EQ(at(100, 100), 2u);
  EXPECT_EQ(at(99, 100), 0u);
  // Outside the viewport: nothing.
  rt::flood_fill(-5, -5, 3, 4, 0, rt::FLOOD_FILL_GIVEN | rt::FLOOD_BORDER_GIVEN);
  EXPECT_EQ(count(3), 0u);
}

TEST_F(Drawing, FloodFillOnA32BitImageComparesWholeColours) {
  image32(20, 20, 0xFF000000u);
  rt::draw_line(0, 10, 19, 10, 0xFFFF0000u, 0, 0, kLineGiven);
  rt::set_point(3, 3, 0xFEFF0000u, kColorGiven);  // almost the border colour
  rt::flood_fill(2, 2, 0xFF00FF00u, 0xFFFF0000u, 0, rt::FLOOD_FILL_GIVEN | rt::FLOOD_BORDER_GIVEN);
  EXPECT_EQ(count(0xFF00FF00u), 20u * 10);
  EXPECT_EQ(count(0xFF000000u), 20u * 9);
}

TEST_F(Drawing, ReadPointAnswersPixelsAndTheCursor) {
  rt::set_point(7, 8, 12, kColorGiven);
  EXPECT_EQ(rt::read_point(7, 8, 1), 12.0);
  EXPECT_EQ(rt::read_point(6, 8, 1), 0.0);
  EXPECT_EQ(rt::read_point(640, 8, 1), -1.0);
  EXPECT_EQ(rt::read_point(kNaN, 8, 1), -1.0);
  EXPECT_EQ(rt::read_point(0, 0, 0), 7.0);
  EXPECT_EQ(rt::read_point(1, 0, 0), 8.0);
  for (float selector : {-1.0f, 4.0f, kNaN, kInf}) {
    EXPECT_EQ(rt::read_point(selector, 0, 0), 0.0);
    EXPECT_EQ(rt::pending_error(), rt::kErrIllegalFunctionCall);
    rt::clear_pending_error();
  }
}

TEST_F(Drawing, TextImagesRefuseDrawingButKeepTheirCells) {
  mode(0);
  std::vector<uint8_t> cells(rt::low_memory_at(rt::kTextVideoMemory),
                             rt::low_memory_at(rt::kTextVideoMemory) + rt::kTextVideoMemorySize);
  auto refused = [](auto call, const char* what) {
    call();
    EXPECT_EQ(rt::pending_error(), rt::kErrIllegalFunctionCall) << what;
    rt::clear_pending_error();
  };
  refused([] { rt::set_point(1, 1, 1, kColorGiven); }, "set_point");
  refused([] { rt::reset_point(1, 1, 1, 0); }, "reset_point");
  refused([] { rt::draw_line(0, 0, 5, 5, 1, 0, 0, kLineGiven); }, "draw_line");
  refused([] { rt::draw_circle(5, 5, 3, 1, 0, 0, 0, 0); }, "draw_circle");
  refused([] { rt::flood_fill(5, 5, 1, 1, 0, 0); }, "flood_fill");
  refused([] { rt::set_world_window(0, 0, 1, 1, 1); }, "set_world_window");
  refused([] { rt::read_point(1, 1, 1); }, "read_point");
  rt::fill_box(0, 0, 10, 10, 1);
  rt::set_viewport(1, 1, 5, 5, 1, 2,
                   rt::VIEWPORT_CORNERS_GIVEN | rt::VIEWPORT_FILL_GIVEN | rt::VIEWPORT_BORDER_GIVEN);
  EXPECT_FALSE(rt::error_pending());
  EXPECT_EQ(screen().view_x2, 5);
  EXPECT_TRUE(std::equal(cells.begin(), cells.end(), rt::low_memory_at(rt::kTextVideoMemory)));
}

TEST_F(Drawing, PixelWritersNeverLeaveTheImage) {
  Image& s = screen();
  rt::put_pixel(s, -1, 0, 5);
  rt::put_pixel(s, 640, 0, 5);
  rt::put_pixel(s, 0, 480, 5);
  rt::fill_rect(s, -100, -100, 2, 2, 6);
  rt::fill_rect(s, 638, 478, 5000, 5000, 6);
  rt::fill_rect(s, 10, 10, 5, 5, 6);  // reversed: nothing
  EXPECT_EQ(lit().size(), 9u + 4u);
}

TEST_F(Drawing, NothingIsDrawnWhileAnErrorIsPending) {
  rt::raise_error(rt::kErrIllegalFunctionCall);
  std::vector<uint8_t> record = record_bytes();
  rt::set_point(1, 1, 1, kColorGiven);
  rt::draw_line(0, 0, 9, 9, 1, 0, 0, kLineGiven);
  rt::fill_box(0, 0, 9, 9, 1);
  rt::draw_circle(50, 50, 5, 1, 0, 0, 0, 2);
  rt::flood_fill(1, 1, 1, 1, 0, 6);
  rt::set_viewport(1, 1, 9, 9, 1, 1, 15);
  rt::set_world_window(0, 0, 1, 1, 1);
  EXPECT_EQ(rt::read_point(0, 0, 0), 0.0);
  EXPECT_TRUE(lit().empty());
  EXPECT_EQ(record, record_bytes());
}

}  // namespace
