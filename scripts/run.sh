#!/usr/bin/env bash
# Installs what is missing, builds Quillon and starts it. Without a CD drive the demo disc is a drive.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" run build
"$root/scripts/build.sh"

settings="$root/build/bin/settings.ini"
# List the demo disc under [CD Images] when that section is missing or empty.
if ! awk '/^\[/ { inside = (tolower($0) ~ /^\[cd images\][ \t\r]*$/); next }
          inside && /=/ { found = 1 }
          END { exit found ? 0 : 1 }' "$settings" 2>/dev/null; then
  if grep -qi '^\[CD Images\]' "$settings" 2>/dev/null; then
    sed -i '/^\[[Cc][Dd] [Ii][Mm][Aa][Gg][Ee][Ss]\]/a demo=demo/QuillonDemo.cue' "$settings"
  else
    printf '\n[CD Images]\ndemo=demo/QuillonDemo.cue\n' >> "$settings"
  fi
fi
exec "$root/build/bin/quillon" "$@"
