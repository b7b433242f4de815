#!/usr/bin/env bash
# The host layer against a real X server: the message box answers keys and clicks, and
# the host key state sees held modifiers. (Xvfb's fake key presses do not toggle the
# lock indicators, so the lock toggles are not checked here.)
source "$(dirname "$0")/lib.sh"
start_xvfb

box() {  # box <expected exit> <buttons> <action...>
  local expected=$1 buttons=$2
  shift 2
  start_game "$HOST_PROBE" message-box "$buttons" "Marrowick test" 'Line:1\nOverflow\nContinue?'
  local dlg
  dlg=$(wait_window "Marrowick test")
  "$@" "$dlg"
  expect_exit_code "$expected" 10
}
press() { local keys=("${@:1:$#-1}"); type_keys "${!#}" "${keys[@]}"; }
click_first() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove --window "$1" $((WIDTH / 2 - 46)) $((HEIGHT - 29)) click 1
}

box 10 yesno press y
box 11 yesno press n
box 10 yesno press Return
box 11 yesno press Escape
box 12 ok press Escape
box 12 ok press Return
box 10 yesno click_first
box 11 yesno send_close

"$HOST_PROBE" key-state | grep -q "caps=0 .*lshift=0 .*lctrl=0" || fail "keys reported without a press"
# xdotool lets go of its keys when it ends, so one xdotool holds them while we look.
xdotool keydown shift+ctrl sleep 3 keyup shift+ctrl &
holder=$!
state=""
for i in $(seq 1 50); do
  state=$("$HOST_PROBE" key-state)
  echo "$state" | grep -q "lshift=1 .*lctrl=1" && break
  sleep 0.05
done
wait "$holder"
echo "$state" | grep -q "lshift=1 rshift=0 lctrl=1 rctrl=0 lalt=0" || fail "held keys not seen: $state"
echo PASS
