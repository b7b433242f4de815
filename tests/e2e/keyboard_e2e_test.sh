#!/usr/bin/env bash
# Real key presses through Xvfb reach the keyboard model: the probe's script logs every
# key-hit code, keyboard-ring entry and shift-state change it sees.
source "$(dirname "$0")/lib.sh"
start_xvfb

LOG="$E2E_OUT/keys.log"
start_game "$KEYBOARD_PROBE" "$LOG"
win=$(wait_window Untitled)
for i in $(seq 1 100); do grep -qx ready "$LOG" 2>/dev/null && break; sleep 0.05; done
grep -qx ready "$LOG" || fail "the probe's script did not start"
xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win"

MARK=0
mark() { MARK=$(wc -l <"$LOG"); }
since_mark() { tail -n +$((MARK + 1)) "$LOG" | grep "^$1 " | cut -d' ' -f2- | tr '\n' ',' ; }
last_flags() { grep '^flags ' "$LOG" | tail -n 1 | cut -d' ' -f2-; }

# expect_since_mark <hit|key> <expected comma-terminated list>
expect_since_mark() {
  local kind=$1 expected=$2 i
  for i in $(seq 1 100); do
    [ "$(since_mark "$kind")" = "$expected" ] && return 0
    sleep 0.05
  done
  fail "$STEP: ${kind}s were '$(since_mark "$kind")', expected '$expected'"
}

# step <name> <keys...> -- <hits> <ring entries>. A key written MOD+KEY holds MOD down
# around KEY, pressed and released in that order (xdotool's own chords may let go of the
# modifier first).
step() {
  STEP=$1
  shift
  local args=() key
  while [ "$1" != "--" ]; do
    key=$1
    if [[ "$key" == *+* ]]; then
      args+=(keydown "${key%%+*}" key "${key#*+}" keyup "${key%%+*}")
    else
      args+=(key "$key")
    fi
    args+=(sleep 0.04)
    shift
  done
  shift
  mark
  xdotool "${args[@]}"
  expect_since_mark hit "$1"
  expect_since_mark key "$2"
}

# expect_flag_bits <byte index 0-2> <mask> <value>: the latest shift-state bytes.
expect_flag_bits() {
  local index=$1 mask=$2 value=$3 i byte
  for i in $(seq 1 100); do
    read -r -a bytes <<<"$(last_flags)"
    byte=$((16#${bytes[$index]}))
    [ $((byte & mask)) -eq $((value)) ] && return 0
    sleep 0.05
  done
  fail "$STEP: shift bytes '$(last_flags)', byte $index & $mask should be $value"
}

# Letters and modifier combinations (the held modifier shows first and last).
step "a"        a            -- "97,-97,"                     "61,"
step "Shift+a"  shift+a      -- "100304,65,-65,-100304,"      "41,"
step "Ctrl+a"   ctrl+a       -- "100306,97,-97,-100306,"      "01,"
step "Alt+a"    alt+a        -- "100308,97,-97,-100308,"      "00 1e,"
# X turns Shift+Tab into ISO_Left_Tab, which the window's own event loop delivers as Tab
# with Shift held.
step "Shift+Tab" shift+Tab   -- "100304,9,-9,-100304,"        "00 0f,"
# X delivers Ctrl+6 as character 30 already, which enters the ring as itself.
step "Ctrl+6"   ctrl+6       -- "100306,30,-30,-100306,"      "1e,"
step "Enter, Esc, Backspace" Return Escape BackSpace -- "13,-13,27,-27,8,-8," "0d,1b,08,"

# Function and navigation keys.
step "F1"        F1          -- "15104,-15104,"               "00 3b,"
step "Shift+F2"  shift+F2    -- "100304,15360,-15360,-100304," "00 55,"
step "F12"       F12         -- "34304,-34304,"               "00 86,"
step "arrows"    Up Left Down Right -- "18432,-18432,19200,-19200,20480,-20480,19712,-19712," "00 48,00 4b,00 50,00 4d,"
step "Ctrl+Right" ctrl+Right -- "100306,19712,-19712,-100306," "00 74,"
step "Home End PgUp PgDn" Home End Prior Next -- "18176,-18176,20224,-20224,18688,-18688,20736,-20736," "00 47,00 4f,00 49,00 51,"
step "Delete"     Delete     -- "21248,-21248,"               "00 53,"
step "Ctrl+Delete" ctrl+Delete -- "100306,21248,-21248,-100306," "00 93,"

# Insert toggles insert mode (bit 7 of the first shift byte) on each separate press.
STEP="Insert"
expect_flag_bits 0 0x80 0
step "Insert"    Insert      -- "20992,-20992,"               "00 52,"
expect_flag_bits 0 0x80 0x80
step "Insert again" Insert   -- "20992,-20992,"               "00 52,"
expect_flag_bits 0 0x80 0

# Caps Lock reaches the model through the refresh thread's lock sync, and letters come
# in upper case while it is on.
step "Caps Lock on"  Caps_Lock -- "100301,"                   ""
expect_flag_bits 0 0x40 0x40
step "a with Caps Lock" a    -- "65,-65,"                     "41,"
step "Caps Lock off" Caps_Lock -- "-100301,"                  ""
expect_flag_bits 0 0x40 0

# Num Lock: the same path, whichever state Xvfb starts in.
STEP="Num Lock"
read -r -a start_bytes <<<"$(last_flags)"
if (( 16#${start_bytes[0]} & 0x20 )); then
  step "Num Lock off" Num_Lock -- "-100300," ""
  expect_flag_bits 0 0x20 0
  step "Num Lock on"  Num_Lock -- "100300,"  ""
  expect_flag_bits 0 0x20 0x20
else
  step "Num Lock on"  Num_Lock -- "100300,"  ""
  expect_flag_bits 0 0x20 0x20
  step "Num Lock off" Num_Lock -- "-100300," ""
  expect_flag_bits 0 0x20 0
fi

# Pause holds the script: no heartbeat until a key press ends the pause. That key is
# swallowed (only its release is queued, after the Pause key's own release); the next
# one is read normally.
STEP="Pause"
mark
xdotool key Pause
sleep 0.5
beats_before=$(grep -c '^beat$' "$LOG")
sleep 0.5
[ "$(grep -c '^beat$' "$LOG")" -eq "$beats_before" ] || fail "Pause: the script kept running"
[ -z "$(since_mark hit)" ] || fail "Pause: the script read keys while paused"
step "key ending the pause" b -- "-100019,-98," ""
step "key after the pause"  c -- "99,-99," "63,"
for i in $(seq 1 100); do
  [ "$(grep -c '^beat$' "$LOG")" -gt "$beats_before" ] && break
  sleep 0.05
done
[ "$(grep -c '^beat$' "$LOG")" -gt "$beats_before" ] || fail "Pause: the script did not resume"

# Ctrl+Break stops the program with exit code 0.
STEP="Ctrl+Break"
expect_running
xdotool key ctrl+Pause
expect_exit_code 0 15

# The end-of-program prompt waits for a key that makes a ring entry: a modifier alone
# or a release does not end it.
STEP="end of program"
start_game "$KEYBOARD_PROBE" "$LOG"
win=$(wait_window Untitled)
xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win"
for i in $(seq 1 100); do grep -qx ready "$LOG" 2>/dev/null && break; sleep 0.05; done
xdotool key q
for i in $(seq 1 100); do grep -qx end "$LOG" && break; sleep 0.05; done
grep -qx end "$LOG" || fail "the probe did not reach the end of the program"
xdotool key shift Control_L
sleep 0.5
expect_running
xdotool key x
expect_exit_code 0 15
echo PASS
