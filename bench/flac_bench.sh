#!/usr/bin/env bash
# WAV -> FLAC against flac -5 and FLAC -> WAV against flac -d, on the same generated stereo file, in one run.
# quillon-cli always verifies what it encodes, so flac -5 --verify is timed as well. Prints the best of three
# times, the ratios and the peak memory, and whether both decoders gave the same PCM.
# Usage: bench/flac_bench.sh   (after scripts/build.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli="$root/build/bin/quillon-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

source "$root/bench/common.sh"

# Music-like input: pink noise under two tones, as in the other benchmarks.
sox -n -r 44100 -c 2 -b 16 "$work/long.wav" synth 180 pinknoise vol 0.25 : synth 180 sine 220 sine 330 vol 0.3 \
  2>/dev/null || sox -n -r 44100 -c 2 -b 16 "$work/long.wav" synth 180 pinknoise vol 0.3

read -r enc_ref enc_ref_mem < <(measure flac -s -f -5 -o "$work/ref.flac" "$work/long.wav")
read -r enc_ver _ < <(measure flac -s -f -5 --verify -o "$work/ver.flac" "$work/long.wav")
read -r enc_our enc_our_mem < <(measure "$cli" convert "$work/long.wav" "$work/our.flac" --level 5)
read -r dec_ref dec_ref_mem < <(measure flac -s -f -d -o "$work/ref.wav" "$work/ref.flac")
read -r dec_our dec_our_mem < <(measure "$cli" convert "$work/ref.flac" "$work/our.wav")

cmp -s <(tail -c +45 "$work/our.wav") <(tail -c +45 "$work/ref.wav") && same="identical" || same="DIFFERENT"
flac -s -d -f -o "$work/back.wav" "$work/our.flac"
cmp -s <(tail -c +45 "$work/back.wav") <(tail -c +45 "$work/long.wav") && exact="bit-exact" || exact="NOT EXACT"

printf 'WAV -> FLAC (3 min, level 5): flac -5 %ss, flac -5 --verify %ss, quillon-cli %ss, ratio %s (%s against --verify); %s / %s bytes; peak memory %s KiB (flac %s KiB); %s\n' \
  "$enc_ref" "$enc_ver" "$enc_our" "$(ratio "$enc_our" "$enc_ref")" "$(ratio "$enc_our" "$enc_ver")" \
  "$(stat -c %s "$work/our.flac")" "$(stat -c %s "$work/ref.flac")" "$enc_our_mem" "$enc_ref_mem" "$exact"
printf 'FLAC -> WAV (3 min):          flac -d %ss, quillon-cli %ss, ratio %s; peak memory %s KiB (flac %s KiB); PCM %s\n' \
  "$dec_ref" "$dec_our" "$(ratio "$dec_our" "$dec_ref")" "$dec_our_mem" "$dec_ref_mem" "$same"
