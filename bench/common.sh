# What the benchmarks share; sourced after $work (a scratch folder) is set.

# Best wall time of three runs and the peak resident memory (KiB) of the last; for a pipeline, that of
# its largest process.
measure() {  # COMMAND...
  local best="" peak="" seconds
  for _ in 1 2 3; do
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1
    read -r seconds peak < "$work/time"
    if [[ -z "$best" ]] || awk "BEGIN { exit !($seconds < $best) }"; then best=$seconds; fi
  done
  echo "$best $peak"
}

ratio() { awk "BEGIN { printf \"%.3f\", $1 / $2 }"; }
