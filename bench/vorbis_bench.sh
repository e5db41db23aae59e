#!/usr/bin/env bash
# WAV -> Ogg against oggenc -q 2 and Ogg -> WAV against oggdec, on the same generated stereo files,
# in one run. Prints the best of three times, the ratios, and the peak memory at two input lengths.
# Usage: bench/vorbis_bench.sh   (after scripts/build.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli="$root/build/bin/quillon-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Music-like input: pink noise under two tones, so the encoder has real work to do.
make_input() {  # SECONDS FILE
  sox -n -r 44100 -c 2 -b 16 "$2" synth "$1" pinknoise vol 0.25 : synth "$1" sine 220 sine 330 vol 0.3 2>/dev/null \
    || sox -n -r 44100 -c 2 -b 16 "$2" synth "$1" pinknoise vol 0.3
}

source "$root/bench/common.sh"

make_input 180 "$work/long.wav"
make_input 60 "$work/short.wav"

read -r enc_ref enc_ref_mem < <(measure oggenc -Q -q 2 -o "$work/ref.ogg" "$work/long.wav")
read -r enc_our enc_our_mem < <(measure "$cli" convert "$work/long.wav" "$work/our.ogg" --quality 20 --cpu 3)
read -r dec_ref dec_ref_mem < <(measure oggdec -Q -o "$work/ref.wav" "$work/ref.ogg")
read -r dec_our dec_our_mem < <(measure "$cli" convert "$work/ref.ogg" "$work/our.wav")
read -r _ enc_short_mem < <(measure "$cli" convert "$work/short.wav" "$work/short.ogg" --quality 20 --cpu 3)
oggenc -Q -q 2 -o "$work/short_ref.ogg" "$work/short.wav"
read -r _ dec_short_mem < <(measure "$cli" convert "$work/short_ref.ogg" "$work/short_out.wav")

cmp -s <(tail -c +45 "$work/our.wav") <(tail -c +45 "$work/ref.wav") && same="identical" || same="DIFFERENT"

printf 'WAV -> Ogg (3 min, q 2): oggenc %ss, quillon-cli %ss, ratio %s; peak memory %s KiB (1 min: %s KiB)\n' \
  "$enc_ref" "$enc_our" "$(ratio "$enc_our" "$enc_ref")" "$enc_our_mem" "$enc_short_mem"
printf 'Ogg -> WAV (3 min):      oggdec %ss, quillon-cli %ss, ratio %s; peak memory %s KiB (1 min: %s KiB); PCM %s\n' \
  "$dec_ref" "$dec_our" "$(ratio "$dec_our" "$dec_ref")" "$dec_our_mem" "$dec_short_mem" "$same"
printf 'reference peak memory: oggenc %s KiB, oggdec %s KiB\n' "$enc_ref_mem" "$dec_ref_mem"
