#!/usr/bin/env bash
# What each read mode costs on a good and on a damaged disc: a generated 74-minute image (15 tracks of
# music-like noise, 333,000 sectors) ripped to WAV in burst, secure and verify mode through the tests' drive
# that fails on purpose, with a local AccurateRip server that knows the disc (confidence 5): clean; lightly
# scratched (36 scattered sectors: 20 fail once, 4 always, 12 read differently each time without an error);
# badly scratched (6 stretches of 300 sectors, about one in five of them failing one to three times or always,
# noisy, or making the reads that hold them start off); and clean again, unknown to the database, in verify
# mode. Per rip: the sectors asked of the drive (and their ratio to the disc's), seeks (reads that start
# neither where the read before stopped nor at the block before that, which the drive still holds), failed
# sector reads, the blocks reported unreadable, the blocks wrong and not reported, the tracks AccurateRip
# confirms, the wall time, and the time a real 52x drive would take: 3,900 sectors a second, 0.08 s a seek,
# 0.5 s a failed sector read. The test drive fails at once, so a block that never reads is tried the full 20
# times (a real drive at 0.5 s a failure reaches the 5 s limit a block has after about 10). Then the modelled
# minutes of each disc side by side, whether verify stays within 1.15x the sectors of a clean known disc and
# 3.5x of an unknown one, and any block that secure or verify delivered wrong without saying so.
# Usage: bench/read_modes_bench.sh   (after scripts/setup.sh test bench and scripts/build.sh; a few minutes)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$root/bench/common.sh"

make_image disc 15 296
mkdir "$work/out"
"$root/build/bench/read_modes" "$work/disc.cue" "$work/out"
