#!/usr/bin/env bash
# The game's window appears titled "Untitled"; the close button's request ends the
# process with exit code 0 through the exit sequence, the window staying until then.
source "$(dirname "$0")/lib.sh"
start_xvfb

start_game "$MARROWICK"
win=$(wait_window Untitled)
capture "$win" "$E2E_OUT/window.png"
[ -s "$E2E_OUT/window.png" ] || fail "empty capture"
send_close "$win"
expect_exit_code 0 15

# A script stuck for a while in a call that does not poll: the close request is taken,
# but the process ends only once the script parks, and the window stays open until then.
start_game "$FRAME_PROBE" slow
win=$(wait_window Untitled)
send_close "$win"
sleep 0.4
expect_running
window_exists "$win" || fail "the window went away before the process ended"
expect_exit_code 0 15
echo PASS
