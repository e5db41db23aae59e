#!/usr/bin/env bash
# The processor time the idle program takes: the real program on an X display of its own, its main window
# listing the demo disc, measured from /proc over SECONDS seconds three times: after the start, after an
# Ogg Vorbis rip of the whole disc through the rip window, and after the CD player played and was stopped.
# Prints each as CPU seconds and per cent of one core, with the busiest thread.
# Usage: bench/idle_bench.sh [SECONDS]   (after scripts/build.sh; default 10 seconds)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"; fi
seconds=${1:-10}
work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  "$root/scripts/sound-server.sh" stop "$work/sound" || true
  rm -rf "$work"
}
trap cleanup EXIT
eval "$("$root/scripts/sound-server.sh" start "$work/sound")"

cp "$root/build/bin/quillon" "$work/"
cp -r "$root/build/bin/demo" "$work/"
sed 's|^\[CD Images\]$|&\ndemo=demo/QuillonDemo.cue|; s|^server=.*|server=127.0.0.1:9|' \
  "$root/build/bin/settings.ini" > "$work/settings.ini"

# One line per thread: ID, user and system clock ticks, name (blanks made underscores).
threads() {
  cat /proc/"$pid"/task/*/stat 2>/dev/null | awk '{
    name = $0; sub(/^[^(]*\(/, "", name); sub(/\)[^)]*$/, "", name); gsub(/ /, "_", name)
    rest = $0; sub(/^.*\) /, "", rest); split(rest, field, " ")
    print $1, field[12] + field[13], name
  }' | sort
}

measure() {  # WHAT
  local ticks per_second
  threads > "$work/before"
  sleep "$seconds"
  threads > "$work/after"
  per_second=$(getconf CLK_TCK)
  join "$work/before" "$work/after" | awk -v what="$1" -v s="$seconds" -v hz="$per_second" '
    { used = $4 - $2; total += used; if (used > most) { most = used; busiest = $3 } }
    END {
      printf "%-30s %6.2f s CPU in %d s (%5.1f%% of a core)", what, total / hz, s, 100 * total / hz / s
      if (most > 0) printf "; busiest thread %s %.2f s", busiest, most / hz
      printf "\n"
    }'
}

window_where() {  # NAME PATTERN: sets X Y WIDTH HEIGHT of the first visible window of that name
  local window=
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "idle_bench: no window named $1" >&2; exit 1; }
  eval "$(xdotool getwindowgeometry --shell "$window")"
}

click() { xdotool mousemove "$1" "$2" click 1; }

"$work/quillon" &
pid=$!
window_where '^Quillon$'
main_x=$X main_y=$Y
sleep 2  # the first timer tick reads the disc
measure "after the start"

click $((main_x + 119)) $((main_y + 64))  # Ogg
click $((main_x + 509)) $((main_y + 49))  # the rip button
for _ in $(seq 600); do
  xdotool search --onlyvisible --name '^Finished!' >/dev/null 2>&1 && break
  sleep 0.1
done
window_where '^Finished!'
[ "$(ls "$work/Ogg" | wc -l)" -eq 4 ] || { echo "idle_bench: the rip did not make four files" >&2; exit 1; }
click $((X + WIDTH / 2)) $((Y + HEIGHT - 25))  # Close
sleep 1
measure "after an Ogg rip"

click $((main_x + 17)) $((main_y + 35))  # Play
sleep 3
click $((main_x + 107)) $((main_y + 35))  # Stop
sleep 3  # the player keeps the sound card a moment for a skip to the next track
measure "after playing the disc"
