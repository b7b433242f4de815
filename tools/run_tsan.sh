#!/usr/bin/env bash
# Builds the threaded tests (display and timing, the keyboard storm, the timed-event and
# exit threads, and whole games on the headless runtime) with ThreadSanitizer in
# build-tsan and runs them. Any report fails the run, except the composer's by-design
# reads of the display page, which tools/tsan_display.supp names.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${MW_TSAN_BUILD:-$root/build-tsan}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DMW_TSAN=ON -DMW_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target compose_test refresh_test timing_test keyboard_storm_test \
  core_events_test core_exit_sequence_test game_play_test -j"${JOBS:-2}"
export TSAN_OPTIONS="suppressions=$root/tools/tsan_display.supp halt_on_error=1 exitcode=66 second_deadlock_stack=1"
cd "$build"
ctest -R 'DisplayTest|TimingTest|KeyboardStorm|EventTimerThread|TimedEvent|ExitSequence|PlayTest' -E 'EndsTheProcess' \
  --output-on-failure -j"${JOBS:-2}"
