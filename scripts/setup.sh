#!/usr/bin/env bash
# Installs every Debian package Quillon needs to build, run and test. Safe to run again.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config
  # libraries
  qt6-base-dev libcdio-dev libcdio-paranoia-dev libcue-dev libcurl4-openssl-dev libmp3lame-dev
  libogg-dev libvorbis-dev libsdl2-dev libsimpleini-dev nlohmann-json3-dev libssl-dev
  # tests and screenshots
  libgtest-dev pulseaudio xvfb xauth xdotool fonts-dejavu-core imagemagick sox vorbis-tools time lame mpg123 bchunk
  python3-mutagen
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
