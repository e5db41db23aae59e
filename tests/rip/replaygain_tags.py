"""Prints the loudness values of an MP3, Ogg, FLAC or Opus file as mutagen reads them (ID3 TXXX frames, Vorbis
comments: REPLAYGAIN_* and R128_*), one "NAME=value" line each, sorted."""
import sys

import mutagen

tags = mutagen.File(sys.argv[1]).tags
lines = []
for key in tags.keys():
    name = key[len("TXXX:"):] if key.startswith("TXXX:") else key
    if name.upper().startswith(("REPLAYGAIN_", "R128_")):
        value = tags[key].text[0] if key.startswith("TXXX:") else tags[key][0]
        lines.append("%s=%s" % (name.upper(), value))
print("\n".join(sorted(lines)))
