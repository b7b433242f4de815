#!/usr/bin/env bash
# CPU use of the whole process over 10 seconds while an unchanged mode-12 screen is shown
# in a window under a private Xvfb. Usage: tools/measure_idle_cpu.sh <idle_mode12 binary>
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
program=${1:?idle_mode12 binary}
source "$here/../tests/e2e/lib.sh"
source "$here/process_cpu.sh"
start_xvfb
start_game "$program"
wait_window Untitled >/dev/null
sleep 2  # past start-up and the first frames
measure_process_cpu "$GAME_PID" 10 "idle mode-12 process"
