#!/usr/bin/env bash
# The run-time error dialog in the real runtime: Yes goes on with the next statement;
# No ends the process with 0 without the end-of-program prompt; a memory-block error
# has an OK-only box and ends the process with 0.
source "$(dirname "$0")/lib.sh"
start_xvfb

# Yes (the Y key): line 6 runs, then the end-of-program prompt waits for a key.
start_game "$FRAME_PROBE" error
win=$(wait_window Untitled)
dialog=$(wait_window "Unhandled Error #9")
capture "$dialog" "$E2E_OUT/dialog.png"
type_keys "$dialog" y
for i in $(seq 1 100); do grep -q "reached end" "$E2E_OUT/game.stderr" && break; sleep 0.05; done
expect_stderr_has "statement 6 ran"
expect_stderr_has "reached end"
sleep 0.3
expect_running
type_keys "$win" space
expect_exit_code 0 15

# No (a click on the second button): nothing after line 5 runs.
start_game "$FRAME_PROBE" error
wait_window Untitled >/dev/null
dialog=$(wait_window "Unhandled Error #9")
eval "$(xdotool getwindowgeometry --shell "$dialog")"
# Buttons sit centred at the bottom: Yes left of the middle, No right of it.
xdotool mousemove --window "$dialog" $((WIDTH / 2 + 46)) $((HEIGHT - 29)) click 1
expect_exit_code 0 15
expect_stderr_has "statement 4 ran"
expect_stderr_lacks "statement 6 ran"
expect_stderr_lacks "reached end"

# A memory-block error: OK only (Enter), then the process ends with 0.
start_game "$FRAME_PROBE" critical
wait_window Untitled >/dev/null
dialog=$(wait_window "Critical Error #301")
type_keys "$dialog" y   # no Yes button: the key does nothing
sleep 0.3
expect_running
type_keys "$dialog" Return
expect_exit_code 0 15
expect_stderr_lacks "statement 6 ran"
echo PASS
