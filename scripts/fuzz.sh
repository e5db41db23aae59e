#!/usr/bin/env bash
# Runs the fuzz harnesses of the sanitizer build (scripts/sanitize.sh builds them) from seeds that the tests'
# generators write: each for SECONDS (default 30), all of them or those named (cue, wave, dbar, ...: the names
# of tests/fuzz/NAME_fuzzer.cpp). Fails on a crash, a sanitizer report or a time-out; the input that caused it
# is kept in build-sanitize/fuzz/crashes/, the inputs found on the way in build-sanitize/fuzz/corpus/HARNESS/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fuzz=$root/build-sanitize/fuzz
[[ -x $fuzz/fuzz_seeds ]] || { echo "fuzz.sh: no harnesses built; run scripts/sanitize.sh first" >&2; exit 1; }
seconds=${1:-30}
shift || true
harnesses=("$@")
if [[ ${#harnesses[@]} -eq 0 ]]; then
  for program in "$fuzz"/*_fuzzer; do harnesses+=("$(basename "$program" _fuzzer)"); done
fi

source "$root/scripts/sanitizer-options.sh"
"$fuzz/fuzz_seeds" "$fuzz/seeds"
mkdir -p "$fuzz/crashes" "$fuzz/logs"
passed=0
failed=0
for harness in "${harnesses[@]}"; do
  mkdir -p "$fuzz/corpus/$harness"
  log=$fuzz/logs/$harness.log
  if "$fuzz/${harness}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$fuzz/crashes/$harness-" "$fuzz/corpus/$harness" "$fuzz/seeds/$harness" >"$log" 2>&1; then
    echo "fuzz $harness: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs in ${seconds} s, no fault"
    passed=$((passed + 1))
  else
    echo "fuzz $harness: FAILED"
    # The report, from its first line on.
    sed -n '/^==[0-9]*==\|runtime error\|^ALARM\|deadly signal/,$p' "$log" | grep -v '^stat::' | head -80
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
