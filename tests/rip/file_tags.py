"""Prints an MP3 file's ID3v2 tag as mutagen reads it: the version, then one "KEY=value" line per frame
(TIT2, TRCK, TXXX:description, UFID:owner...), sorted, in UTF-8."""
import sys

from mutagen.id3 import ID3

tags = ID3(sys.argv[1], translate=False)
lines = ["version=%d.%d" % tags.version[:2]]
for key, frame in tags.items():
    value = frame.data.decode("latin-1") if key.startswith("UFID") else "/".join(str(text) for text in frame.text)
    lines.append("%s=%s" % (key, value))
sys.stdout.buffer.write(("\n".join(sorted(lines)) + "\n").encode("utf-8"))
