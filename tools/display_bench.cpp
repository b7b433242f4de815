// What a composition pass costs on the game's 640 x 480, 16-colour page, measured against
// memcpy of the same amounts in the same run: one pass that finds a changed page and
// builds a frame, and one that finds nothing changed. Prints the ratios at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "runtime/core/control_words.h"
#include "runtime/core/low_memory.h"
#include "runtime/display/keyboard.h"
#include "runtime/display/refresh.h"
#include "runtime/host/host.h"
#include "runtime/screen/screen_state.h"
#include "tools/ratio_reporter.h"

namespace {

constexpr size_t kPageBytes = 640 * 480;       // one byte per pixel
constexpr size_t kFrameBytes = kPageBytes * 4;  // 32-bit frame

void prepare_mode12() {
  host::set_host_key_state_hook([] { return host::HostKeyState{}; });
  rt::initialise_low_memory();
  rt::initialise_keyboard();
  rt::initialise_screen();
  rt::set_screen_mode(12, 0, 0, 0, 0, 1);
  rt::clear_frame_ring();
  rt::auto_display.store(0);
  rt::previous_frame_valid.store(0);
  rt::Image* page = rt::display_page();
  for (size_t i = 0; i < kPageBytes; ++i) page->pixels[i] = static_cast<uint8_t>((i / 13) % 16);
}

// The window's share: the newest frame is drawn and the older ones superseded, so the
// ring never fills during the run.
void window_keeps_up() {
  rt::frame_slot(rt::latest_frame()).drawn.store(1);
  rt::mark_superseded_frames();
}

void BM_ComposeChangedMode12(benchmark::State& state) {
  prepare_mode12();
  rt::Image* page = rt::display_page();
  uint8_t value = 0;
  for (auto _ : state) {
    page->pixels[kPageBytes / 2] = value++ & 15;  // one pixel changes per pass
    rt::compose_frame();
    window_keeps_up();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrameBytes));
}

void BM_ComposeUnchangedMode12(benchmark::State& state) {
  prepare_mode12();
  rt::compose_frame();
  const int32_t frame = rt::latest_frame();
  for (auto _ : state) rt::compose_frame();
  if (rt::latest_frame() != frame) state.SkipWithError("an unchanged page made a frame");
}

void BM_MemcpyPageBytes(benchmark::State& state) {
  std::vector<uint8_t> from(kPageBytes, 1), to(kPageBytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), kPageBytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}

void BM_MemcpyFrameBytes(benchmark::State& state) {
  std::vector<uint8_t> from(kFrameBytes, 1), to(kFrameBytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), kFrameBytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_ComposeChangedMode12);
BENCHMARK(BM_ComposeUnchangedMode12);
BENCHMARK(BM_MemcpyPageBytes);
BENCHMARK(BM_MemcpyFrameBytes);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nchanged mode-12 frame / memcpy of the page (307200 B):   %.2f\n",
              reporter.ratio("BM_ComposeChangedMode12", "BM_MemcpyPageBytes"));
  std::printf("changed mode-12 frame / memcpy of the frame (1228800 B): %.2f\n",
              reporter.ratio("BM_ComposeChangedMode12", "BM_MemcpyFrameBytes"));
  std::printf("unchanged check / memcpy of the page (307200 B):         %.2f\n",
              reporter.ratio("BM_ComposeUnchangedMode12", "BM_MemcpyPageBytes"));
  benchmark::Shutdown();
  return 0;
}
