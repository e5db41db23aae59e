#!/usr/bin/env bash
# Screenshots of every window at the desktop font the program is made for, at a larger one (11 pt, the size
# of common desktops) and at 1.5 times the scale (HiDPI), taken by the end-to-end test on an X display of
# its own.
#   tests/e2e/screenshots.sh [BUILD_FOLDER]      results in BUILD_FOLDER/screenshots/{default,11pt,1.5x}
set -euo pipefail
build=${1:-$(cd "$(dirname "$0")/../.." && pwd)/build}
for size in default 11pt 1.5x; do
  rm -rf "$build/e2e-screenshots"
  dpi=96 scale=1
  [ "$size" = 11pt ] && dpi=118  # the 9 pt default font drawn at 11 pt
  [ "$size" = 1.5x ] && scale=1.5
  QT_QPA_PLATFORM=xcb QT_FONT_DPI=$dpi QT_SCALE_FACTOR=$scale xvfb-run -a -s "-screen 0 1024x768x24" "$build/tests/e2e_test" >/dev/null || true
  mkdir -p "$build/screenshots"
  rm -rf "$build/screenshots/$size"
  mv "$build/e2e-screenshots" "$build/screenshots/$size"
done
echo "screenshots in $build/screenshots"
