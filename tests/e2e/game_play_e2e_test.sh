#!/usr/bin/env bash
# The real game played through its window with xdotool: a win, a death, a quit, a close
# request in the middle of typing, and stray keys of every kind. Every run ends with exit
# code 0; at each ending the screenshot is read back as text and colour.
source "$(dirname "$0")/lib.sh"
start_xvfb

GREY=AAAAAA
GREEN=00AA00

# shot <window id> <name>: the window as "<row>|<ink>|<text>" lines in $E2E_OUT/<name>.txt.
shot() {
  import -window "$1" -depth 8 "ppm:$E2E_OUT/$2.ppm" 2>>"$E2E_OUT/capture.log" || return 1
  "$SCREEN_TEXT" "$E2E_OUT/$2.ppm" >"$E2E_OUT/$2.txt"
}

# wait_screen <window id> <name> <fixed text> [seconds]: until a shot shows the text.
wait_screen() {
  local id=$1 name=$2 text=$3 limit=${4:-20} i
  for i in $(seq 1 $((limit * 5))); do
    if shot "$id" "$name" && grep -qF -- "$text" "$E2E_OUT/$name.txt"; then return 0; fi
    kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended while waiting for: $text"
    sleep 0.2
  done
  fail "no \"$text\" on screen ($name): $(cat "$E2E_OUT/$name.txt" 2>/dev/null)"
}

# expect_row <name> <row> <ink> <exact text>
expect_row() {
  local line
  line=$(grep "^$2|" "$E2E_OUT/$1.txt") || fail "$1 has no row $2"
  [ "$line" = "$2|$3|$4" ] || fail "$1 row $2 is \"$line\", expected \"$2|$3|$4\""
}

# new_game: the game running, its window moved into view before anything is drawn that
# the test reads (the window draws only new frames), and the introduction left.
new_game() {
  start_game "$MARROWICK"
  WIN=$(wait_window Untitled)
  xdotool windowmove "$WIN" 0 0
  xdotool windowfocus --sync "$WIN" 2>/dev/null || xdotool windowfocus "$WIN"
  wait_screen "$WIN" intro "ruined streets of the small farming town"
  xdotool key space
  wait_screen "$WIN" turn "If you are stuck just type HELP."
}

# say <text>: types a command and Enter, slowly enough for the reader's 30 passes a second.
say() {
  xdotool type --delay 60 -- "$1"
  xdotool key --delay 60 Return
}

# ---- a win by the shortest way -------------------------------------------------------
new_game
expect_row turn 6 $GREY "                            Marrowick"
expect_row turn 18 $GREY "If you are stuck just type HELP."
for step in "s:An eerie silence" "s:There is not a soul" "w:The dead silence" \
            "s:You cross the silent street" "e:A normal life was all" "e:You stand in fear"; do
  say "${step%%:*}"
  wait_screen "$WIN" walk "${step#*:}"
done
expect_row walk 16 "------" ""            # at the monster: no way south
say "use crowbar"
wait_screen "$WIN" on_what "On what?"
sleep 0.3
xdotool key space
wait_screen "$WIN" win "You walk home through the ruins"
expect_row win 1 $GREEN "You walk home through the ruins of the town you loved, the"
expect_row win 3 $GREEN "your life and set out for the next town to start over."
sleep 0.5
shot "$WIN" win_waiting
grep -qF "Press any key" "$E2E_OUT/win_waiting.txt" && fail "the win ending did not wait for a key"
xdotool key Return
wait_screen "$WIN" win_end "Press any key to continue"
expect_row win_end 30 $GREEN "Press any key to continue"
xdotool key x
expect_exit_code 0 15

# ---- a death: the end prompt follows at once ---------------------------------------------
new_game
say "run home"
wait_screen "$WIN" death "Press any key to continue"
expect_row death 1 $GREEN "You turned your back just a moment. The creature sliced you in two."
expect_row death 4 $GREEN "black."
expect_row death 30 $GREEN "Press any key to continue"
xdotool key a
expect_exit_code 0 15

# ---- a quit over the turn screen, after stray keys of every kind -----------------------------
new_game
xdotool key --delay 20 F1 Up Left Escape Tab ctrl+a alt+x shift+Tab Delete Home End \
  Page_Down Insert F12 1 exclam bracketleft BackSpace BackSpace BackSpace
say "  qUiT  "
wait_screen "$WIN" quit "Press any key to continue"
expect_row quit 20 $GREY "The smell of death hangs over the main street of the old town."
expect_row quit 30 $GREY "Press any key to continue"
xdotool key space
expect_exit_code 0 15

# ---- the window closed in the middle of typing -----------------------------------------
new_game
xdotool type --delay 60 "nor"
wait_screen "$WIN" typing "> NOR"
send_close "$WIN"
expect_exit_code 0 15

# ---- the window closed on the introduction and on the help screen --------------------------
start_game "$MARROWICK"
WIN=$(wait_window Untitled)
sleep 0.5
send_close "$WIN"
expect_exit_code 0 15

new_game
say "help"
wait_screen "$WIN" help "PRESS ANY KEY..."
send_close "$WIN"
expect_exit_code 0 15

echo PASS
