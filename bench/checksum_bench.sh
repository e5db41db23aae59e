#!/usr/bin/env bash
# What the checksums a rip takes while it reads cost: a generated 74-minute image (15 tracks) read as a rip
# reads it, with and without them, best of three; then the WAV rip of the same image, checksums and
# verification included, against bchunk -w splitting the image into WAV files, in the same run (the rip may
# take at most 1.15 times as long); and for scale the MP3 rip.
# Usage: bench/checksum_bench.sh   (after scripts/setup.sh bench and scripts/build.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$root/bench/common.sh"

sox -n -r 44100 -c 2 -b 16 -e signed-integer -L -t raw "$work/disc.bin" synth $((74 * 60)) pinknoise vol 0.25 2>/dev/null
{
  echo 'FILE "disc.bin" BINARY'
  for ((t = 1; t <= 15; t++)); do
    seconds=$(((t - 1) * 296))
    printf '  TRACK %02d AUDIO\n    INDEX 01 %02d:%02d:00\n' "$t" $((seconds / 60)) $((seconds % 60))
  done
} > "$work/disc.cue"

"$root/build/bench/checksum_cost" "$work/disc.cue"
sed -e 's|^server=http://www.accuraterip.com|server=http://127.0.0.1:9|' -e 's|^server=http://db.cuetools.net|server=http://127.0.0.1:9|' "$root/resources/settings.ini" > "$work/settings.ini"
mkdir -p "$work/out"
read -r wav _ < <(measure "$root/build/bin/quillon-cli" rip "$work/disc.cue" --format wav --out "$work/out" --settings "$work/settings.ini")
echo "rip to WAV (reading, checksums, writing): $wav s"
mkdir -p "$work/bchunk"
read -r split _ < <(measure bchunk -w "$work/disc.bin" "$work/disc.cue" "$work/bchunk/track")
echo "bchunk -w of the same image: $split s; ratio $(ratio "$wav" "$split") (at most 1.15: $(awk "BEGIN { print ($wav <= 1.15 * $split) ? \"yes\" : \"NO\" }"))"
