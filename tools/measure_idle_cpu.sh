#!/usr/bin/env bash
# CPU use of the whole process over 10 seconds while an unchanged mode-12 screen is shown
# in a window under a private Xvfb. Usage: tools/measure_idle_cpu.sh <idle_mode12 binary>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
program=${1:?idle_mode12 binary}
source "$here/../tests/e2e/lib.sh"
start_xvfb
start_game "$program"
wait_window Untitled >/dev/null
sleep 2  # past start-up and the first frames
ticks() { awk '{print $14 + $15}' "/proc/$GAME_PID/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
start=$(date +%s.%N)
sleep 10
after=$(ticks)
end=$(date +%s.%N)
awk -v t=$((after - before)) -v hz="$hz" -v s="$start" -v e="$end" \
  'BEGIN { printf "idle mode-12 process: %.2f s CPU in %.2f s wall = %.2f%% of one core\n", t / hz, e - s, 100 * t / hz / (e - s) }'
