#!/usr/bin/env bash
# Installs the Debian packages Quillon needs, by what you want to do; safe to run again.
#   scripts/setup.sh [run] [build] [test] [bench]      (no argument: all four)
#   run    what the program needs at run time besides its libraries (xdg-open for Help and output folders)
#   build  compilers, libraries and packaging tools, for scripts/build.sh, run.sh and package.sh
#   test   what the tests need: GoogleTest, a sound server, an X server, reference tools, lintian
#   bench  the reference programs the benchmarks race against
set -euo pipefail

run=(xdg-utils)
build=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libcdio-dev libcue-dev libcurl4-openssl-dev libmp3lame-dev
  libogg-dev libvorbis-dev libflac-dev libsdl2-dev libsimpleini-dev zlib1g-dev libdeflate-dev libssl-dev nlohmann-json3-dev
  libebur128-dev libopusenc-dev libopus-dev libsqlite3-dev
  dpkg-dev file
)
test=(
  libgtest-dev pulseaudio xvfb xauth xdotool fonts-dejavu-core imagemagick sox vorbis-tools flac time lame mpg123 cuetools opus-tools
  python3-mutagen lintian desktop-file-utils appstream man-db
  # the sanitizer build and the fuzz harnesses: clang, its sanitizer and libFuzzer runtimes, the symbolizer
  clang libclang-rt-14-dev llvm
)
bench=(sox vorbis-tools flac time lame mpg123 bchunk xvfb xauth xdotool pulseaudio)

groups=("$@")
[[ ${#groups[@]} -gt 0 ]] || groups=(run build test bench)
packages=()
for group in "${groups[@]}"; do
  case $group in
    run) packages+=("${run[@]}") ;;
    build) packages+=("${build[@]}") ;;
    test) packages+=("${build[@]}" "${test[@]}") ;;
    bench) packages+=("${bench[@]}") ;;
    *) echo "usage: $0 [run] [build] [test] [bench]" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0
mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null; then
    echo "$(basename "$0"): ${missing[*]} must be installed: run as root or install sudo" >&2
    exit 1
  fi
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
