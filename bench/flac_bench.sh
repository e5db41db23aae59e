#!/usr/bin/env bash
# WAV -> FLAC against flac -5 and FLAC -> WAV against flac -d, on the same generated stereo file, in one run.
# quillon-cli always verifies what it encodes, so flac -5 --verify is timed as well. Runs alternate in five
# rounds, so a busy machine weighs on both sides alike; prints the median wall and processor times, their
# ratios, the peak memory, and whether both decoders gave the same PCM.
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
flac -s -f -5 -o "$work/ref.flac" "$work/long.wav"

# One run: appends "WALL CPU PEAK_KIB" to the file named first.
timed() {  # FILE COMMAND...
  local out=$1
  shift
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >/dev/null 2>&1
  awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$work/time" >> "$out"
}
median() {  # FILE COLUMN
  sort -n -k"$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { print v[int((NR + 1) / 2)] }'
}

for _ in 1 2 3 4 5; do
  timed "$work/enc_ref" flac -s -f -5 -o "$work/ref.flac" "$work/long.wav"
  timed "$work/enc_ver" flac -s -f -5 --verify -o "$work/ver.flac" "$work/long.wav"
  timed "$work/enc_our" "$cli" convert "$work/long.wav" "$work/our.flac" --level 5
  timed "$work/dec_ref" flac -s -f -d -o "$work/ref.wav" "$work/ref.flac"
  timed "$work/dec_our" "$cli" convert "$work/ref.flac" "$work/our.wav"
done

cmp -s <(tail -c +45 "$work/our.wav") <(tail -c +45 "$work/ref.wav") && same="identical" || same="DIFFERENT"
flac -s -d -f -o "$work/back.wav" "$work/our.flac"
cmp -s <(tail -c +45 "$work/back.wav") <(tail -c +45 "$work/long.wav") && exact="bit-exact" || exact="NOT EXACT"

for name in enc_ref enc_ver enc_our dec_ref dec_our; do
  declare "${name}_wall=$(median "$work/$name" 1)" "${name}_cpu=$(median "$work/$name" 2)" \
          "${name}_mem=$(median "$work/$name" 3)"
done

printf 'WAV -> FLAC (3 min, level 5), medians of 5: flac -5 %ss (cpu %ss), flac -5 --verify %ss (cpu %ss), quillon-cli %ss (cpu %ss)\n' \
  "$enc_ref_wall" "$enc_ref_cpu" "$enc_ver_wall" "$enc_ver_cpu" "$enc_our_wall" "$enc_our_cpu"
printf '  ratio to flac -5: wall %s, cpu %s; to flac -5 --verify: wall %s, cpu %s; %s / %s bytes; peak memory %s KiB (flac %s KiB); %s\n' \
  "$(ratio "$enc_our_wall" "$enc_ref_wall")" "$(ratio "$enc_our_cpu" "$enc_ref_cpu")" \
  "$(ratio "$enc_our_wall" "$enc_ver_wall")" "$(ratio "$enc_our_cpu" "$enc_ver_cpu")" \
  "$(stat -c %s "$work/our.flac")" "$(stat -c %s "$work/ref.flac")" "$enc_our_mem" "$enc_ref_mem" "$exact"
printf 'FLAC -> WAV (3 min), medians of 5: flac -d %ss (cpu %ss), quillon-cli %ss (cpu %ss); ratio wall %s, cpu %s; peak memory %s KiB (flac %s KiB); PCM %s\n' \
  "$dec_ref_wall" "$dec_ref_cpu" "$dec_our_wall" "$dec_our_cpu" "$(ratio "$dec_our_wall" "$dec_ref_wall")" \
  "$(ratio "$dec_our_cpu" "$dec_ref_cpu")" "$dec_our_mem" "$dec_ref_mem" "$same"
