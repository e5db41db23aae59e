#!/usr/bin/env bash
# Mixes and joins two 3-minute WAV files with quillon-cli mix, and does the same with sox -m and sox's
# concatenation, on the same generated files, in one run. Prints the best of three times, the ratios,
# the peak memory, and how far our samples stray from sox's.
# Usage: bench/mix_bench.sh   (after scripts/build.sh; QUILLON_CLI=path picks another build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli="${QUILLON_CLI:-$root/build/bin/quillon-cli}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

source "$root/bench/common.sh"

# The largest difference between two WAV files' samples, in sample steps.
largest_difference() {  # A B
  sox -m -v 1 "$1" -v -1 "$2" -t wav - 2>/dev/null | sox -t wav - -n stat 2>&1 |
    awk '/Maximum amplitude/ { printf "%d", $3 * 32768 + 0.5 }'
}

sox -n -r 44100 -c 2 -b 16 "$work/one.wav" synth 180 pinknoise vol 0.5 2>/dev/null
sox -n -r 44100 -c 2 -b 16 "$work/two.wav" synth 180 sine 440 vol 0.5 2>/dev/null

# sox -m scales each input by 1/2 by itself, the same level our mix gives at full volume.
read -r mix_ref mix_ref_mem < <(measure sox -m "$work/one.wav" "$work/two.wav" "$work/ref_mix.wav")
read -r mix_our mix_our_mem < <(measure "$cli" mix "$work/one.wav" "$work/two.wav" "$work/our_mix.wav")
read -r cat_ref cat_ref_mem < <(measure sox "$work/one.wav" "$work/two.wav" "$work/ref_cat.wav")
read -r cat_our cat_our_mem < <(measure "$cli" mix "$work/one.wav" "$work/two.wav" "$work/our_cat.wav" --concatenate)

# What the program takes before any audio: its libraries.
/usr/bin/time -f "%M" -o "$work/time" "$cli" >/dev/null 2>&1 || true
rest_mem=$(tail -1 "$work/time")

cmp -s <(tail -c +45 "$work/our_cat.wav") <(tail -c +45 "$work/ref_cat.wav") && same="identical" || same="DIFFERENT"

printf 'mix (2 x 3 min):         sox -m %ss, quillon-cli %ss, ratio %s; peak memory %s KiB (sox %s KiB);' \
  "$mix_ref" "$mix_our" "$(ratio "$mix_our" "$mix_ref")" "$mix_our_mem" "$mix_ref_mem"
printf ' largest sample difference %s\n' "$(largest_difference "$work/our_mix.wav" "$work/ref_mix.wav")"
printf 'concatenate (2 x 3 min): sox %ss, quillon-cli %ss, ratio %s; peak memory %s KiB (sox %s KiB); PCM %s\n' \
  "$cat_ref" "$cat_our" "$(ratio "$cat_our" "$cat_ref")" "$cat_our_mem" "$cat_ref_mem" "$same"
printf 'quillon-cli at rest (its libraries, no audio): %s KiB\n' "$rest_mem"
