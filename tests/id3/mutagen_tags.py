"""An independent ID3v2 reader and writer for the tag tests.

read FILE: prints version, size and the seven items, one "key<TAB>value" line each (UTF-8).
write FILE 3|4 TITLE ARTIST ALBUM TRACK YEAR GENRE COMMENT: puts a Latin-1 tag of that version in front.
"""
import sys

from mutagen.id3 import COMM, ID3, TALB, TCON, TDRC, TIT2, TPE1, TRCK, TYER

KEYS = ["title", "artist", "album", "track", "year", "genre", "comment"]
IDS = ["TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "COMM"]


def read(path):
    tags = ID3(path, translate=False)
    lines = ["version\t%d.%d" % tags.version[:2], "size\t%d" % tags.size]
    for key, frame_id in zip(KEYS, IDS):
        frames = tags.getall(frame_id)
        lines.append("%s\t%s" % (key, str(frames[0].text[0]) if frames else ""))
    sys.stdout.buffer.write(("\n".join(lines) + "\n").encode("utf-8"))


def write(path, version, title, artist, album, track, year, genre, comment):
    tags = ID3()
    tags.add(TIT2(encoding=0, text=title))
    tags.add(TPE1(encoding=0, text=artist))
    tags.add(TALB(encoding=0, text=album))
    tags.add(TRCK(encoding=0, text=track))
    tags.add(TYER(encoding=0, text=year) if version == 3 else TDRC(encoding=0, text=year))
    tags.add(TCON(encoding=0, text=genre))
    tags.add(COMM(encoding=0, lang="eng", desc="", text=comment))
    tags.save(path, v2_version=version)


if __name__ == "__main__":
    if sys.argv[1] == "read":
        read(sys.argv[2])
    else:
        write(sys.argv[2], int(sys.argv[3]), *sys.argv[4:11])
