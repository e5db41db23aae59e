#!/usr/bin/env bash
# Rips a demo-sized and a 20-minute generated disc image to WAV, MP3 and Ogg Vorbis with quillon-cli, and
# does the same with bchunk -w (WAV), bchunk + lame -b 128 (MP3) and bchunk + oggenc -q 2 (Ogg), in one run.
# Usage: bench/rip_bench.sh   (after scripts/build.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli="$root/build/bin/quillon-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The default settings (44,100 Hz, 128 kbit/s, cpu 3, quality 20), verified against no server.
settings="$work/settings.ini"
sed -e 's|^server=http://www.accuraterip.com|server=http://127.0.0.1:9|' -e 's|^server=http://db.cuetools.net|server=http://127.0.0.1:9|' "$root/resources/settings.ini" > "$settings"
source "$root/bench/common.sh"

seconds() {  # COMMAND...: wall seconds of one run
  /usr/bin/time -f "%e" -o "$work/time" "$@" >/dev/null 2>&1
  cat "$work/time"
}

reference_chain() {  # NAME FORMAT OUT
  local name=$1 format=$2 out=$3
  bchunk -w "$work/$name.bin" "$work/$name.cue" "$out/track" >/dev/null
  case $format in
    mp3) for f in "$out"/track*.wav; do lame --quiet -b 128 "$f" "${f%.wav}.mp3"; done ;;
    ogg) for f in "$out"/track*.wav; do oggenc -Q -q 2 "$f" -o "${f%.wav}.ogg"; done ;;
  esac
}

make_image demo 4
make_image long 20
printf '%-6s %-4s %10s %10s %7s\n' image fmt quillon reference ratio
for name in demo long; do
  for format in wav mp3 ogg; do
    rm -rf "$work/ours" "$work/theirs" && mkdir "$work/ours" "$work/theirs"
    ours=$(seconds "$cli" rip "$work/$name.cue" --format "$format" --out "$work/ours" --settings "$settings")
    export -f reference_chain
    export work
    theirs=$(seconds bash -c "reference_chain $name $format $work/theirs")
    printf '%-6s %-4s %9ss %9ss %7s\n' "$name" "$format" "$ours" "$theirs" \
      "$(awk "BEGIN { printf \"%.3f\", $ours / $theirs }")"
  done
done
