#!/usr/bin/env bash
# The program itself, as a user starts it from its folder on a display: its window comes up with the
# disc image of its settings, File, Exit ends it with status 0, and nothing of it is left running. Without
# a codec library both programs still start and say which library is missing.
#   program_test.sh PROGRAM_FOLDER SCREENSHOT_FOLDER HIDE_LIBRARY_MODULE      (on an X display, e.g. under xvfb-run)
set -euo pipefail
program=${1:?program folder}
shots=${2:?screenshot folder}
hide=${3:?the module that hides libraries}
mkdir -p "$shots"
work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "program_test: $*" >&2
  import -window root "$shots/program-failure.png" 2>/dev/null || true
  exit 1
}

# --help and --version answer without a display.
help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program/quillon" --help) || fail "quillon --help failed without a display"
[ "$(head -n 1 <<<"$help")" = "Usage: quillon [IMAGE | DEVICE | URL]..." ] ||
  fail "quillon --help printed $help"
[[ "$(env -u DISPLAY "$program/quillon" --version)" == "quillon "[0-9]* ]] || fail "quillon --version failed"

cp "$program/quillon" "$work/"
cp -r "$program/demo" "$work/"
printf '[CD Images]\ndemo=demo/QuillonDemo.cue\n[CDDB]\nserver=127.0.0.1:9\n' >"$work/settings.ini"

"$work/quillon" &
pid=$!
# The first visible window whose caption matches, within ten seconds; empty when none came up.
window_named() {
  local found=
  for _ in $(seq 100); do
    found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    [ -n "$found" ] && break
    sleep 0.1
  done
  echo "$found"
}

window=$(window_named '^Quillon$')
[ -n "$window" ] || fail "the main window did not come up"
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" -eq 549 ] || fail "the window is $WIDTH pixels wide"
sleep 1  # the first timer tick reads the disc
import -window root "$shots/program-main-window.png"

# Alt+O, O opens Options from the keyboard; its caption on the display is exactly "Options". Without a
# window manager the test gives the window the keyboard.
xdotool windowfocus "$window"
sleep 0.3
xdotool key alt+o
sleep 0.3
xdotool key o
[ -n "$(window_named '^Options$')" ] || fail "Alt+O, O did not show a window captioned Options"
xdotool key Escape
sleep 0.3

# File is the menu bar's first title; the keyboard takes the open menu's first entry, Exit.
xdotool mousemove $((X + 20)) $((Y + 10)) click 1
sleep 0.5
import -window root "$shots/program-file-menu.png"
xdotool key Down Return

for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "File, Exit did not end the program"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "the program ended with status $status"
pgrep -f "$work/quillon" >/dev/null && fail "a program process is still running"

# The codec libraries, and SDL that needs them through the sound server's library, are loaded by name once
# the program runs, never by the loader before it: a missing one could not be reported. (The Ogg container
# library comes with libFLAC, which is linked.)
for binary in quillon quillon-cli; do
  needed=$(ldd "$program/$binary" | grep -E 'libmp3lame|libvorbis|libSDL2' || true)
  [ -z "$needed" ] || fail "$binary needs at load time: $needed"
done

without() {
  QUILLON_HIDE_LIBRARIES=$1 LD_PRELOAD=$hide "${@:2}"
}
for hidden in "libvorbis.so.0 vorbis.dll ogg" "libmp3lame.so.0 lame_enc.dll mp3"; do
  read -r library name extension <<<"$hidden"
  status=0
  message=$(without "$library" "$program/quillon-cli" convert "$work/in.wav" "$work/out.$extension" 2>&1) || status=$?
  [ "$status" -eq 1 ] && [ "$(head -n 1 <<<"$message")" = "quillon-cli: error: $name library could not be loaded." ] ||
    fail "quillon-cli without $library: status $status, $message"
  [ "$extension" != mp3 ] || grep -q "install the package libmp3lame0" <<<"$message" ||
    fail "quillon-cli without $library does not name the package: $message"
done

# The window: an error box with the same text instead of a silent end; its OK ends the program with 1.
without libmp3lame.so.0 "$work/quillon" &
pid=$!
box=$(window_named '^Quillon$')
[ -n "$box" ] || fail "no box came up without LAME"
eval "$(xdotool getwindowgeometry --shell "$box")"
[ "$WIDTH" -lt 549 ] || fail "the main window came up without LAME"
import -window root "$shots/program-no-lame.png"
xdotool windowfocus "$box"
sleep 0.3
xdotool key Return
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 1 ] || fail "without LAME the program ended with status $status"
echo "program_test: the window came up and File, Exit ended the program; a missing library was reported"
