#!/usr/bin/env bash
# A screenshot of the window equals the composed frame pixel for pixel: the start-up
# text screen at 640 x 400, then a mode-12 page with coloured text at 640 x 480. A size
# chosen by the user is undone. The close request still ends the process with code 0.
source "$(dirname "$0")/lib.sh"
export E2E_OUT
start_xvfb

# wait_file <path> [seconds]
wait_file() {
  local i
  for i in $(seq 1 $((${2:-20} * 20))); do
    [ -s "$1" ] && return 0
    kill -0 "$GAME_PID" 2>/dev/null || fail "the program ended while waiting for $1"
    sleep 0.05
  done
  fail "no $1"
}

# window_size <id>: "width height"
window_size() { xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}'; }

# wait_size <id> <w> <h>
wait_size() {
  local i
  for i in $(seq 1 100); do
    [ "$(window_size "$1")" = "$2 $3" ] && return 0
    sleep 0.05
  done
  fail "window is $(window_size "$1"), expected $2 x $3"
}

# same_pixels <capture.png> <frame.ppm>: every pixel equal.
same_pixels() {
  convert "$1" -depth 8 rgb:"$1.rgb"
  convert "$2" -depth 8 rgb:"$2.rgb"
  cmp -s "$1.rgb" "$2.rgb" || fail "$1 differs from $2 ($(compare -metric AE "$1" "$2" null: 2>&1) pixels)"
}

xdotool mousemove 1270 1010 || true  # keep the pointer off the window
start_game "$DISPLAY_PROBE"
win=$(wait_window Untitled)

wait_file "$E2E_OUT/text.ppm"
wait_size "$win" 640 400
sleep 0.3  # a display callback after the resize draws the frame
capture "$win" "$E2E_OUT/text.png"
same_pixels "$E2E_OUT/text.png" "$E2E_OUT/text.ppm"

# A size chosen by the user does not stick.
xdotool windowsize "$win" 900 700
sleep 0.3
wait_size "$win" 640 400
sleep 0.3
capture "$win" "$E2E_OUT/text_again.png"
same_pixels "$E2E_OUT/text_again.png" "$E2E_OUT/text.ppm"
touch "$E2E_OUT/text.done"

wait_file "$E2E_OUT/mode12.ppm"
wait_size "$win" 640 480
sleep 0.3
capture "$win" "$E2E_OUT/mode12.png"
same_pixels "$E2E_OUT/mode12.png" "$E2E_OUT/mode12.ppm"
touch "$E2E_OUT/mode12.done"

send_close "$win"
expect_exit_code 0 15
echo PASS
