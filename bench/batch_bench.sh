#!/usr/bin/env bash
# Rips nine generated disc images (three tracks each, about a minute a disc, each disc of other track lengths)
# from image drives held to a fixed speed (QUILLON_IMAGE_READ_SPEED, 8x unless SPEED says otherwise), so that
# the drives rather than the page cache limit the reading: first sequentially, one quillon-cli rip per disc,
# then with quillon-cli batch over 1, 2 and 3 drives fed by a load command. Prints the wall time and discs per
# hour of each and their ratio against the sequential rips (target: 3 drives >= 2.5x one drive while encoding is
# not the limit).
# Usage: bench/batch_bench.sh   (after scripts/build.sh; QUILLON_CLI names another quillon-cli, FORMAT the
#        format (flac), SPEED the drives' speed, TRACK_SECONDS the first disc's track length (20))
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${QUILLON_CLI:-"$root/build/bin/quillon-cli"}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$root/bench/common.sh"
format=${FORMAT:-flac}
export QUILLON_IMAGE_READ_SPEED=${SPEED:-8}
discs=9
# The default settings, verified against no server.
settings="$work/settings.ini"
sed -e 's|^server=http://www.accuraterip.com|server=http://127.0.0.1:9|' -e 's|^server=http://db.cuetools.net|server=http://127.0.0.1:9|' \
    -e 's|^server=http://coverartarchive.org|server=|' "$root/resources/settings.ini" > "$settings"
for ((k = 0; k < discs; k++)); do make_image "disc$k" 3 $((${TRACK_SECONDS:-20} + k)); done

# Moves the next disc of the drive's feed folder into the drive's place; exit 1 when none is left.
cat > "$work/load.sh" <<'LOAD'
#!/bin/sh
drive=$(dirname "$1"); name=$(basename "$1" .cue)
next=$(ls "$drive/../feed/$name" 2>/dev/null | sort -n | head -1)
[ -n "$next" ] || exit 1
rm -f "$drive/$name".*
mv "$drive/../feed/$name/$next/$name".* "$drive"/ && rmdir "$drive/../feed/$name/$next"
LOAD
chmod +x "$work/load.sh"

seconds() {  # COMMAND...: wall seconds of one run
  /usr/bin/time -f "%e" -o "$work/time" "$@" >/dev/null 2>&1
  cat "$work/time"
}

sequential() {
  rm -rf "$work/out" && mkdir "$work/out"
  for ((k = 0; k < discs; k++)); do
    "$cli" rip "$work/disc$k.cue" --format "$format" --out "$work/out/disc$k" --settings "$settings"
  done
}

# The nine discs dealt round to D drives' feed folders, each drive's image under the drive's own name; made
# before the batch's run is timed, as the discs stand in a loader before a batch starts.
rig() {  # DRIVES
  local drives=$1 d k
  rm -rf "$work/out" "$work/rig" && mkdir -p "$work/out" "$work/rig/drives"
  cp "$settings" "$work/rig/settings.ini"
  sed -i '/^\[CD Images\]/,$d' "$work/rig/settings.ini"
  printf '[Batch]\nload command=%s\n[CD Images]\n' "$work/load.sh" >> "$work/rig/settings.ini"
  for ((d = 0; d < drives; d++)); do echo "d$d=$work/rig/drives/drive$d.cue" >> "$work/rig/settings.ini"; done
  for ((k = 0; k < discs; k++)); do
    d=$((k % drives))
    mkdir -p "$work/rig/feed/drive$d/$k"
    sed "s|disc$k.bin|drive$d.bin|" "$work/disc$k.cue" > "$work/rig/feed/drive$d/$k/drive$d.cue"
    cp "$work/disc$k.bin" "$work/rig/feed/drive$d/$k/drive$d.bin"
  done
}

batch() {
  "$cli" batch --drives all --format "$format" --out "$work/out" --settings "$work/rig/settings.ini"
  local done
  done=$(grep -c '^disc,.*,done,' "$work/out/batch.report.csv" || true)
  [[ $done -eq $discs ]] || { echo "the batch finished $done of $discs discs" >&2; exit 1; }
}
export -f sequential batch
export cli work settings format discs

perhour() { awk "BEGIN { printf \"%.0f\", $discs * 3600 / $1 }"; }

echo "$discs discs of 3 tracks, $format, image drives at ${QUILLON_IMAGE_READ_SPEED}x, $(nproc) cores"
base=$(seconds bash -c sequential)
printf '%-22s %8s %12s %8s\n' run seconds discs/hour ratio
printf '%-22s %8s %12s %8s\n' "sequential rip" "$base" "$(perhour "$base")" 1.000
for drives in 1 2 3; do
  rig "$drives"
  took=$(seconds bash -c batch)
  printf '%-22s %8s %12s %8s\n' "batch, $drives drive(s)" "$took" "$(perhour "$took")" "$(ratio "$base" "$took")"
done
