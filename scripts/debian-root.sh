#!/usr/bin/env bash
# Makes a bare Debian 12 system (debootstrap's minimal variant, about 200 MB, some minutes and downloads) and
# packs it into ARCHIVE, for the package test to install the package into a fresh copy each time.
#   scripts/debian-root.sh ARCHIVE.tar        (as root)
set -euo pipefail
archive=${1:?usage: $0 ARCHIVE.tar}
[ "$(id -u)" -eq 0 ] || { echo "debian-root.sh: debootstrap needs root" >&2; exit 1; }
command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
mkdir -p "$(dirname "$archive")"
root=$(mktemp -d "$(dirname "$archive")/root.XXXXXX")
trap 'rm -rf --one-file-system "$root"; rm -f "$archive.part"' EXIT
debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >"$root.log" 2>&1 ||
  { echo "debian-root.sh: debootstrap failed, see $root.log" >&2; exit 1; }
rm -f "$root.log"
tar -C "$root" -cf "$archive.part" . && mv "$archive.part" "$archive"
echo "$archive"
