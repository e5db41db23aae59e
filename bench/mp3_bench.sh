#!/usr/bin/env bash
# WAV -> MP3 against lame -b 128 and Ogg -> MP3 against oggdec | lame -b 128, on the same generated
# 3-minute stereo file, in one run. Prints the best of three times, the ratios and the peak memory.
# Usage: bench/mp3_bench.sh   (after scripts/build.sh; QUILLON_CLI names another quillon-cli)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${QUILLON_CLI:-"$root/build/bin/quillon-cli"}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Music-like input: pink noise under two tones, so the encoder has real work to do.
sox -n -r 44100 -c 2 -b 16 "$work/long.wav" synth 180 pinknoise vol 0.25 : synth 180 sine 220 sine 330 vol 0.3 \
  2>/dev/null || sox -n -r 44100 -c 2 -b 16 "$work/long.wav" synth 180 pinknoise vol 0.3
oggenc -Q -q 2 -o "$work/long.ogg" "$work/long.wav"

source "$root/bench/common.sh"
size() { stat -c %s "$1"; }

read -r wav_ref wav_ref_mem < <(measure lame -S -b 128 "$work/long.wav" "$work/ref.mp3")
read -r wav_our wav_our_mem < <(measure "$cli" convert "$work/long.wav" "$work/our.mp3" --bitrate 128)
read -r ogg_ref ogg_ref_mem < <(measure bash -c "oggdec -Q -o - '$work/long.ogg' | lame -S -b 128 - '$work/ref2.mp3'")
read -r ogg_our ogg_our_mem < <(measure "$cli" convert "$work/long.ogg" "$work/our2.mp3" --bitrate 128)

printf 'WAV -> MP3 (3 min, 128 kbit/s CBR): lame %ss, quillon-cli %ss, ratio %s; peak memory lame %s KiB, quillon-cli %s KiB; sizes %s / %s bytes\n' \
  "$wav_ref" "$wav_our" "$(ratio "$wav_our" "$wav_ref")" "$wav_ref_mem" "$wav_our_mem" \
  "$(size "$work/ref.mp3")" "$(size "$work/our.mp3")"
printf 'Ogg -> MP3 (3 min, 128 kbit/s CBR): oggdec | lame %ss, quillon-cli %ss, ratio %s; peak memory oggdec | lame %s KiB, quillon-cli %s KiB; sizes %s / %s bytes\n' \
  "$ogg_ref" "$ogg_our" "$(ratio "$ogg_our" "$ogg_ref")" "$ogg_ref_mem" "$ogg_our_mem" \
  "$(size "$work/ref2.mp3")" "$(size "$work/our2.mp3")"
