"""An independent MP3 reader for the MP3 sink's tests.

mp3_facts.py FILE: prints "key<TAB>value" lines: the stream's bitrate (kbit/s), rate, channels, length
(seconds) and bitrate mode (CBR, VBR, ABR or UNKNOWN), then the version of its ID3 tag ("none" without one) and the tag's title, artist, album, year, track and comment.
"""
import sys

from mutagen.id3 import ID3, ID3NoHeaderError
from mutagen.mp3 import MP3

FIELDS = [("title", "TIT2"), ("artist", "TPE1"), ("album", "TALB"), ("year", "TDRC"), ("track", "TRCK"),
          ("comment", "COMM")]


def facts(path):
    info = MP3(path).info
    # rounded: with the Info frame the rate is averaged over the exact length, a hair under the nominal one
    lines = ["bitrate\t%d" % round(info.bitrate / 1000), "rate\t%d" % info.sample_rate, "channels\t%d" % info.channels,
             "length\t%.4f" % info.length, "mode\t%s" % str(info.bitrate_mode).split(".")[-1]]
    try:
        tags = ID3(path)
    except ID3NoHeaderError:
        return lines + ["tag\tnone"]
    lines.append("tag\t%d.%d" % tags.version[:2])
    for key, frame_id in FIELDS:
        frames = tags.getall(frame_id)
        lines.append("%s\t%s" % (key, str(frames[0].text[0]) if frames else ""))
    return lines


if __name__ == "__main__":
    sys.stdout.buffer.write(("\n".join(facts(sys.argv[1])) + "\n").encode("utf-8"))
