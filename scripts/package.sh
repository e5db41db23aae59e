#!/usr/bin/env bash
# Builds the Debian package build/package/quillon_VERSION_amd64.deb from a Release build and prints its path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" build
BUILD_TYPE=Release "$root/scripts/build.sh"
rm -rf "$root/build/package"
cpack --config "$root/build/CPackConfig.cmake" -B "$root/build/package" >/dev/null
ls "$root"/build/package/quillon_*.deb
