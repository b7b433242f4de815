// A program that shows a mode-12 screen with text-like content and then sits still,
// waiting for a key, with every runtime thread running: the subject of the idle CPU
// measurement in tools/measure_idle_cpu.sh.
#include "runtime/core/program.h"
#include "runtime/screen/screen_state.h"
#include "runtime/strings/timing.h"

namespace {

void idle_script() {
  rt::set_screen_mode(12, 0, 0, 0, 0, 1);
  rt::Image* page = rt::display_page();
  if (page != nullptr) {
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x)
        page->pixels[y * 640 + x] = static_cast<uint8_t>(((x / 8) ^ (y / 16)) % 16);
  }
  for (;;) rt::sleep_until_key(0, false);
}

}  // namespace

int main(int argc, char** argv) { return rt::runtime_main(argc, argv, idle_script); }
