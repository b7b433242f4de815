// A program for the window tests: shows the start-up text screen with coloured cells,
// then a mode-12 page with text in several colours. After each it writes the frame it
// handed to the window to $E2E_OUT/<name>.ppm and waits until $E2E_OUT/<name>.done
// exists, so the test can compare a screenshot with exactly that frame.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/core/program.h"
#include "runtime/display/refresh.h"
#include "runtime/screen/screen_state.h"
#include "runtime/screen/text_output.h"
#include "runtime/strings/string_storage.h"
#include "runtime/strings/timing.h"

namespace {

std::string out_path(const char* name, const char* suffix) {
  const char* folder = std::getenv("E2E_OUT");
  return std::string(folder != nullptr ? folder : ".") + "/" + name + suffix;
}

// The newest frame as a binary PPM (RGB), written first to a temporary name so the test
// never reads half a file.
void dump_latest_frame(const char* name) {
  const rt::FrameSlot& f = rt::frame_slot(rt::latest_frame());
  std::string path = out_path(name, ".ppm"), partial = path + ".part";
  FILE* file = std::fopen(partial.c_str(), "wb");
  if (file == nullptr || f.pixels == nullptr) std::exit(3);
  std::fprintf(file, "P6\n%d %d\n255\n", f.width, f.height);
  for (int32_t i = 0; i < f.width * f.height; ++i) {
    uint32_t p = f.pixels[i];
    unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                            static_cast<unsigned char>(p)};
    std::fwrite(rgb, 1, 3, file);
  }
  std::fclose(file);
  std::rename(partial.c_str(), path.c_str());
}

void wait_for(const char* name) {
  struct stat st;
  std::string path = out_path(name, ".done");
  while (stat(path.c_str(), &st) != 0) rt::sleep_milliseconds(20);
}

void print_in(int32_t row, int32_t column, uint32_t foreground, uint32_t background, const char* text) {
  rt::set_color(foreground, background, 0, rt::COLOR_FOREGROUND_GIVEN | rt::COLOR_BACKGROUND_GIVEN);
  rt::set_cursor_position(row, column, 0, 0, 0, rt::CURSOR_ROW_GIVEN | rt::CURSOR_COLUMN_GIVEN);
  rt::print_text(rt::string_from_c_text(text), 0);
}

void show_and_wait(const char* name) {
  rt::request_display();  // manual from here: the frame stays as composed
  dump_latest_frame(name);
  wait_for(name);
}

void probe_script() {
  // The start-up text screen, 80 x 25 cells of 8 x 16.
  print_in(1, 1, 7, 0, "Marrowick start-up screen");
  print_in(3, 5, 14, 1, "yellow on blue");
  print_in(4, 10, 12, 0, "light red");
  print_in(25, 60, 10, 4, "green on red, row 25");
  show_and_wait("text");

  rt::set_screen_mode(12, 0, 0, 0, 0, 1);
  print_in(1, 1, 7, 0, "Mode 12: 640 x 480, 16 colours");
  for (uint32_t c = 1; c < 16; ++c) print_in(static_cast<int32_t>(2 + c), 4, c, 0, "The crowbar glints in the dark.");
  print_in(30, 50, 2, 0, "bottom row, green");
  show_and_wait("mode12");
  rt::enable_auto_display();
  for (;;) rt::sleep_until_key(0, false);
}

}  // namespace

int main(int argc, char** argv) { return rt::runtime_main(argc, argv, probe_script); }
