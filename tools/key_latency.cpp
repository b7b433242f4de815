// Key-to-screen latency of the game's command reader in its real window: a letter typed
// with xdotool, then the window read back (XGetImage) until the letter's cell shows ink;
// then Backspace, until the cell is black again. Prints each figure's median and 95th
// percentile, and the cost of starting xdotool alone (part of every figure).
//
// Usage: key_latency <window id> <prompt row> <cycles>   (the game waiting at its prompt,
// nothing typed yet, the window focused and moved to 0,0)
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kCellWidth = 8;
constexpr int kCellHeight = 16;
constexpr int kTypedColumn = 3;  // typing starts after "> "
constexpr auto kGiveUp = std::chrono::seconds(5);

bool cell_has_ink(Display* display, Window window, int row, int column) {
  XImage* image = XGetImage(display, window, (column - 1) * kCellWidth, (row - 1) * kCellHeight,
                            kCellWidth, kCellHeight, AllPlanes, ZPixmap);
  if (image == nullptr) return false;
  bool ink = false;
  for (int y = 0; y < kCellHeight && !ink; ++y)
    for (int x = 0; x < kCellWidth && !ink; ++x) ink = (XGetPixel(image, x, y) & 0xFFFFFF) != 0;
  XDestroyImage(image);
  return ink;
}

// Milliseconds from starting xdotool until the cell shows (or loses) its ink; -1 on time-out.
double time_key(Display* display, Window window, int row, int column, const char* key,
                bool ink_expected) {
  const std::string command = std::string("xdotool key ") + key;
  const auto start = Clock::now();
  if (std::system(command.c_str()) != 0) return -1;
  while (cell_has_ink(display, window, row, column) != ink_expected) {
    if (Clock::now() - start > kGiveUp) return -1;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
  return v[i];
}

void report(const char* what, const std::vector<double>& v) {
  std::printf("%-34s n=%zu  median %.1f ms  p95 %.1f ms  max %.1f ms\n", what, v.size(),
              percentile(v, 0.5), percentile(v, 0.95), percentile(v, 1.0));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: key_latency <window id> <prompt row> <cycles>\n");
    return 2;
  }
  const Window window = std::strtoul(argv[1], nullptr, 0);
  const int row = std::atoi(argv[2]);
  const int cycles = std::atoi(argv[3]);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "key_latency: no X display\n");
    return 2;
  }
  std::vector<double> letters, backspaces, spawn;
  for (int i = 0; i < cycles; ++i) {
    const double shown = time_key(display, window, row, kTypedColumn, "x", true);
    const double erased = time_key(display, window, row, kTypedColumn, "BackSpace", false);
    if (shown < 0 || erased < 0) {
      std::fprintf(stderr, "key_latency: the key never showed (cycle %d)\n", i);
      return 1;
    }
    letters.push_back(shown);
    backspaces.push_back(erased);
    const auto start = Clock::now();
    if (std::system("xdotool getactivewindow >/dev/null 2>&1") >= 0)
      spawn.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::vector<double> keys = letters;
  keys.insert(keys.end(), backspaces.begin(), backspaces.end());
  report("letter typed -> shown", letters);
  report("Backspace -> letter gone", backspaces);
  report("every key", keys);
  report("xdotool start alone (in each)", spawn);
  XCloseDisplay(display);
  return 0;
}
