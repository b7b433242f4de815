#!/usr/bin/env bash
# Start-up with awkward input: a dangling toolkit option, a chaining suffix whose
# hand-over file is missing, a hand-over naming a folder that does not exist, and a
# real hand-over. None of them crashes or shows anything; every run ends with 0.
source "$(dirname "$0")/lib.sh"
start_xvfb
exe_dir=$(dirname "$(readlink -f "$FRAME_PROBE")")
tag='(unique-tag:=/@*$+-)'

run_and_close() {
  start_game "$FRAME_PROBE" "$@"
  local win
  win=$(wait_window Untitled)
  for i in $(seq 1 100); do grep -q "command line" "$E2E_OUT/game.stderr" && break; sleep 0.05; done
  send_close "$win"
  expect_exit_code 0 15
}

# Started from another folder: the working directory becomes the executable's folder.
(cd / && run_and_close cwd "a  b" -geometry)
expect_stderr_has "cwd [$exe_dir]"
expect_stderr_has "command line [cwd a  b -geometry]"

# Missing hand-over file: the suffix goes, the directory stays.
run_and_close cwd x "${tag}chainZZ9.tmp"
expect_stderr_has "cwd [$exe_dir]"
expect_stderr_has "command line [cwd x]"

# A hand-over naming a folder that cannot be entered.
printf '/nonexistent/marrowick\n' >"$exe_dir/chainBAD.tmp"
run_and_close cwd "${tag}chainBAD.tmp"
expect_stderr_has "cwd [$exe_dir]"
[ ! -e "$exe_dir/chainBAD.tmp" ] || fail "the hand-over file was not deleted"

# A real hand-over: the saved folder becomes the working directory.
mkdir -p "$E2E_OUT/saved dir"
printf '%s' "$E2E_OUT/saved dir" >"$exe_dir/chainOK1.tmp"
run_and_close cwd y "${tag}chainOK1.tmp"
expect_stderr_has "cwd [$E2E_OUT/saved dir]"
expect_stderr_has "command line [cwd y]"
echo PASS
