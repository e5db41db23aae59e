#!/usr/bin/env bash
# Rips a generated disc image of 15 tracks, 74 minutes in all, with quillon-cli (tracks encoded on every core
# while the next is read) and with the parallel reference pipeline: bchunk -w, then the reference encoder on
# every core with xargs -P$(nproc) (lame -b 128 for MP3, oggenc -q 2 for Ogg Vorbis, flac -5 --verify for
# FLAC). The two run in turn, RUNS pairs (default 3); prints the median wall times, the median of the pairs'
# ratios (each pair ran under the same load), every pair's ratio, and the peak resident memory of each
# (targets: ratio <= 1.05, quillon-cli <= 64 MiB).
# Usage: bench/rip_parallel_bench.sh   (after scripts/build.sh; QUILLON_CLI names another quillon-cli,
#        FORMATS the formats to race, MINUTES the disc's length)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${QUILLON_CLI:-"$root/build/bin/quillon-cli"}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The default settings (128 kbit/s, quality 20, one encoder thread per core), verified against no server.
settings="$work/settings.ini"
sed -e 's|^server=http://www.accuraterip.com|server=http://127.0.0.1:9|' -e 's|^server=http://db.cuetools.net|server=http://127.0.0.1:9|' "$root/resources/settings.ini" > "$settings"
source "$root/bench/common.sh"

runs=${RUNS:-3}
tracks=15
# Any format quillon-cli rip --format takes and reference_encode knows.
formats=${FORMATS:-mp3 ogg flac}

reference_encode() {  # FORMAT TRACK.wav
  case $1 in
    mp3) lame --quiet -b 128 "$2" "${2%.wav}.mp3" ;;
    ogg) oggenc -Q -q 2 "$2" -o "${2%.wav}.ogg" ;;
    flac) flac --silent -5 --verify "$2" -o "${2%.wav}.flac" ;;
  esac
}

reference() {  # FORMAT OUT
  bchunk -w "$work/disc.bin" "$work/disc.cue" "$2/track" >/dev/null
  printf '%s\n' "$2"/track*.wav | xargs -P"$(nproc)" -I{} bash -c 'reference_encode "$0" "$1"' "$1" {}
}
export -f reference_encode reference
export work

# Wall seconds and peak resident KiB of one run (for a pipeline, of its largest process), into a fresh OUT.
run() {  # OUT COMMAND...
  local out=$1
  shift
  rm -rf "$out" && mkdir "$out"
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1
  rm -rf "$out"
  cat "$work/time"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
mib() { awk "BEGIN { printf \"%.1f\", $1 / 1024 }"; }

make_image disc "$tracks" $((${MINUTES:-74} * 60 / tracks))
printf '%-5s %10s %10s %7s %12s %12s  %s\n' fmt quillon reference ratio "quillon-peak" "ref-peak" "pair ratios"
for format in $formats; do
  : > "$work/ours" && : > "$work/theirs"
  for ((i = 0; i < runs; i++)); do
    run "$work/out" "$cli" rip "$work/disc.cue" --format "$format" --out "$work/out" --settings "$settings" \
      >> "$work/ours"
    run "$work/out" bash -c "reference $format $work/out" >> "$work/theirs"
  done
  ours=$(cut -d' ' -f1 "$work/ours" | median)
  theirs=$(cut -d' ' -f1 "$work/theirs" | median)
  our_peak=$(cut -d' ' -f2 "$work/ours" | sort -n | tail -1)
  their_peak=$(cut -d' ' -f2 "$work/theirs" | sort -n | tail -1)
  pairs=$(paste -d' ' <(cut -d' ' -f1 "$work/ours") <(cut -d' ' -f1 "$work/theirs") |
    awk '{ printf "%.3f\n", $1 / $2 }')
  printf '%-5s %9ss %9ss %7s %8s MiB %8s MiB  %s\n' "$format" "$ours" "$theirs" "$(median <<< "$pairs")" \
    "$(mib "$our_peak")" "$(mib "$their_peak")" "$(echo $pairs)"
done
