"""Prints a file's tags as mutagen reads them, sorted, in UTF-8. An MP3 file: its ID3v2 tag's version, then one
"KEY=value" line per frame (TIT2, TRCK, TXXX:description, UFID:owner...). An Ogg, Opus or FLAC file: one
"NAME=value" line per comment."""
import sys

import mutagen
from mutagen.id3 import ID3

path = sys.argv[1]
if path.endswith(".mp3"):
    tags = ID3(path, translate=False)
    lines = ["version=%d.%d" % tags.version[:2]]
    for key, frame in tags.items():
        value = frame.data.decode("latin-1") if key.startswith("UFID") else "/".join(str(text) for text in frame.text)
        lines.append("%s=%s" % (key, value))
else:
    lines = ["%s=%s" % (key, value) for key, value in mutagen.File(path).tags]
sys.stdout.buffer.write(("\n".join(sorted(lines)) + "\n").encode("utf-8"))
