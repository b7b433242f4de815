#!/usr/bin/env bash
# Key-to-screen latency of the real game window, and the process's CPU use while the
# command reader waits at its prompt, under a private Xvfb.
# Usage: tools/measure_game_latency.sh <marrowick> <key_latency> [cycles]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
game=${1:?marrowick binary}
probe=${2:?key_latency binary}
cycles=${3:-100}
source "$here/../tests/e2e/lib.sh"
source "$here/process_cpu.sh"
start_xvfb
start_game "$game"
win=$(wait_window Untitled)
xdotool windowmove "$win" 0 0
xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win"
sleep 1
xdotool key space  # leave the introduction: the first turn, prompt on row 22
sleep 1

measure_process_cpu "$GAME_PID" 10 "reader waiting at the prompt"

"$probe" "$win" 22 "$cycles"
xdotool key q Return
sleep 0.5
xdotool key space
expect_exit_code 0 15
