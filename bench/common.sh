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

# A disc image $work/NAME.bin/.cue of TRACKS tracks of music-like noise, SECONDS long each (default 60).
make_image() {  # NAME TRACKS [SECONDS]
  local name=$1 tracks=$2 length=${3:-60} start
  sox -n -r 44100 -c 2 -b 16 -e signed-integer -L -t raw "$work/$name.bin" \
    synth $((tracks * length)) pinknoise vol 0.25 2>/dev/null
  {
    echo "FILE \"$name.bin\" BINARY"
    for ((t = 1; t <= tracks; t++)); do
      start=$(((t - 1) * length))
      printf '  TRACK %02d AUDIO\n    INDEX 01 %02d:%02d:00\n' "$t" $((start / 60)) $((start % 60))
    done
  } > "$work/$name.cue"
}
