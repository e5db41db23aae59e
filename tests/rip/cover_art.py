"""Prints the pictures of an MP3, FLAC, Ogg or Opus file as mutagen reads them: one line per picture, "TYPE MIME
WIDTHxHEIGHT HEX" (width and height as the FLAC picture structure states them, 0x0 for MP3)."""
import base64
import sys

from mutagen.flac import FLAC, Picture
from mutagen.id3 import ID3
import mutagen


def line(kind, mime, width, height, data):
    return "%d %s %dx%d %s" % (kind, mime, width, height, data.hex())


path = sys.argv[1]
if path.endswith(".mp3"):
    pictures = [line(frame.type, frame.mime, 0, 0, frame.data) for frame in ID3(path).getall("APIC")]
elif path.endswith(".flac"):
    pictures = [line(p.type, p.mime, p.width, p.height, p.data) for p in FLAC(path).pictures]
else:
    pictures = []
    for value in mutagen.File(path).get("metadata_block_picture", []):
        p = Picture(base64.b64decode(value))
        pictures.append(line(p.type, p.mime, p.width, p.height, p.data))
print("\n".join(pictures))
