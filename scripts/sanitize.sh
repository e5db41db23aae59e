#!/usr/bin/env bash
# The sanitizer build in build-sanitize/: clang with AddressSanitizer and UndefinedBehaviorSanitizer, and the
# fuzz harnesses. Builds it, runs every test in it, then every fuzz harness for FUZZ_SECONDS (default 30).
# Any sanitizer report fails the run.
# test.sh calls it after the ordinary tests, with the sound server already started.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-sanitize
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  "-DCMAKE_C_FLAGS_DEBUG=-O1 -g" "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g" -DQUILLON_SANITIZE=ON -DQUILLON_FUZZ=ON >/dev/null
cmake --build "$build" -j2
echo "sanitizer build: ${SECONDS} s"
SECONDS=0
(
  source "$root/scripts/sanitizer-options.sh"
  ctest --test-dir "$build" --output-on-failure -j2
)
echo "sanitized tests: ${SECONDS} s"
SECONDS=0
"$root/scripts/fuzz.sh" "${FUZZ_SECONDS:-30}"
echo "fuzzing: ${SECONDS} s"
