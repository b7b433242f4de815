#!/usr/bin/env bash
# Usage: tools/run_fuzzers.sh SECONDS
# Builds the libFuzzer harnesses with clang, AddressSanitizer and UBSan in build-fuzz, then
# runs them one after the other for SECONDS each, starting from the committed seed corpora.
# New inputs collect in build-fuzz/corpus/<harness>; crashes land in build-fuzz/artifacts.
# Exits non-zero when a harness finds a crash.
set -euo pipefail
seconds=${1:?usage: tools/run_fuzzers.sh SECONDS}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz

CC=clang CXX=clang++ cmake -S "$root/tools/fuzz" -B "$build" >/dev/null
cmake --build "$build" -j2 >/dev/null

status=0
for harness in format_picture text_to_number; do
  work=$build/corpus/$harness
  mkdir -p "$work" "$build/artifacts"
  echo "== $harness: $seconds s"
  if ! "$build/${harness}_fuzzer" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/${harness}-" "$work" "$root/tools/fuzz/corpus/$harness"; then
    echo "== $harness: crash (see $build/artifacts)"
    status=1
  fi
done
exit $status
