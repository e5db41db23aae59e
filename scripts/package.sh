#!/usr/bin/env bash
# Builds the Debian package build/package/quillon_VERSION_amd64.deb from a Release build and prints its path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" build
BUILD_TYPE=Release "$root/scripts/build.sh"
rm -rf "$root/build/package"
# Every file in the package carries the date of the last commit (or of the changelog outside a clone), so two
# builds of one commit give the same package.
if [[ -z "${SOURCE_DATE_EPOCH:-}" ]]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null ||
    date -d "$(sed -n 's/^ -- .*>  //p' "$root/resources/changelog" | head -1)" +%s)
fi
export SOURCE_DATE_EPOCH
cpack --config "$root/build/CPackConfig.cmake" -B "$root/build/package" >/dev/null
ls "$root"/build/package/quillon_*.deb
