#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Exits non-zero when any test fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" test
"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
# The sound-card tests play into and record from a sound server of their own.
sound=$(mktemp -d)
trap '"$root/scripts/sound-server.sh" stop "$sound"; rm -rf "$sound" || echo "test.sh: could not remove $sound" >&2' EXIT
eval "$("$root/scripts/sound-server.sh" start "$sound")"
ctest --test-dir "$root/build" --output-on-failure -j2
# The same tests built with the sanitizers, and a short run of every fuzz harness.
"$root/scripts/sanitize.sh"
