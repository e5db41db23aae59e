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
# The sound-card tests measure real time, which the sanitizers' slowness on a busy machine can upset: a failed
# test gets a second try, but a sanitizer report in any try fails the run.
log=$build/Testing/sanitized-tests.log
mkdir -p "$(dirname "$log")"
(
  source "$root/scripts/sanitizer-options.sh"
  ctest --test-dir "$build" --output-on-failure -j2 --repeat until-pass:2 2>&1 | tee "$log"
)
if grep -q '==ERROR: \|: runtime error: ' "$log"; then
  echo "sanitized tests: a sanitizer report (above)"
  exit 1
fi
echo "sanitized tests: ${SECONDS} s"
SECONDS=0
"$root/scripts/fuzz.sh" "${FUZZ_SECONDS:-30}"
echo "fuzzing: ${SECONDS} s"
