# Helpers for the real-window tests: a private Xvfb, the program under test, its window,
# screenshots, the close request and the exit code. Source this file from a test script.
#
# Programs come from the environment (set by the test registration): MARROWICK,
# SEND_CLOSE, HOST_PROBE, FRAME_PROBE. Artefacts go to $E2E_OUT (a fresh folder).
set -euo pipefail

E2E_OUT=${E2E_OUT:-$(mktemp -d "${TMPDIR:-/tmp}/marrowick-e2e.XXXXXX")}
mkdir -p "$E2E_OUT"
XVFB_PID=""
GAME_PID=""
GAME_EXIT=""

fail() {
  echo "FAIL: $*" >&2
  if [ -n "$GAME_PID" ] && [ -f "$E2E_OUT/game.stderr" ]; then
    echo "--- program stderr:" >&2
    tail -n 40 "$E2E_OUT/game.stderr" >&2 || true
  fi
  exit 1
}

cleanup() {
  if [ -n "$GAME_PID" ] && kill -0 "$GAME_PID" 2>/dev/null; then kill "$GAME_PID" 2>/dev/null || true; fi
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}
trap cleanup EXIT

# Starts Xvfb on a display number it picks itself (so parallel tests never collide) and
# exports DISPLAY.
start_xvfb() {
  local fd_file="$E2E_OUT/displayfd"
  : >"$fd_file"
  Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$fd_file" 2>"$E2E_OUT/xvfb.log" &
  XVFB_PID=$!
  local i
  for i in $(seq 1 200); do
    if [ -s "$fd_file" ]; then
      export DISPLAY=":$(tr -d '[:space:]' <"$fd_file")"
      return 0
    fi
    kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb did not start: $(cat "$E2E_OUT/xvfb.log")"
    sleep 0.05
  done
  fail "Xvfb gave no display number"
}

# start_game <program> [arguments...]: runs it in the background, output to files.
start_game() {
  local program=$1
  shift
  "$program" "$@" >"$E2E_OUT/game.stdout" 2>"$E2E_OUT/game.stderr" &
  GAME_PID=$!
}

# wait_window <exact title> [seconds]: prints the id of the window once it is mapped.
wait_window() {
  local title=$1 limit=${2:-20} id="" i
  for i in $(seq 1 $((limit * 10))); do
    id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    if [ -n "$GAME_PID" ] && ! kill -0 "$GAME_PID" 2>/dev/null; then
      fail "the program ended before the window \"$title\" appeared"
    fi
    sleep 0.1
  done
  fail "no window \"$title\" within ${limit}s"
}

window_exists() { xwininfo -id "$1" >/dev/null 2>&1; }

# capture <window id> <file.png>: moves the window into view (without a window manager
# it sits at -1,-1) and saves it at 8 bits per channel.
capture() {
  xdotool windowmove "$1" 0 0
  sleep 0.2
  import -window "$1" -depth 8 "png:$2" 2>>"$E2E_OUT/capture.log" || fail "cannot capture $1"
}

# send_close <window id>: the close button's request, as a window manager sends it.
send_close() { "$SEND_CLOSE" "$1" || fail "send_close $1 failed"; }

# type_keys <window id> <xdotool key names...>: focuses the window and presses the keys.
type_keys() {
  local id=$1
  shift
  xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
  xdotool key --delay 30 "$@"
}

# expect_exit_code <code> [seconds]: waits for the program to end and checks its code.
expect_exit_code() {
  local expected=$1 limit=${2:-20} i
  for i in $(seq 1 $((limit * 20))); do
    if ! kill -0 "$GAME_PID" 2>/dev/null; then
      set +e
      wait "$GAME_PID"
      GAME_EXIT=$?
      set -e
      [ "$GAME_EXIT" -eq "$expected" ] || fail "exit code $GAME_EXIT, expected $expected"
      return 0
    fi
    sleep 0.05
  done
  fail "the program did not end within ${limit}s"
}

# expect_running: the program has not ended.
expect_running() { kill -0 "$GAME_PID" 2>/dev/null || fail "the program ended early"; }

expect_stderr_has() { grep -qF -- "$1" "$E2E_OUT/game.stderr" || fail "stderr lacks: $1"; }
expect_stderr_lacks() { ! grep -qF -- "$1" "$E2E_OUT/game.stderr" || fail "stderr has: $1"; }
