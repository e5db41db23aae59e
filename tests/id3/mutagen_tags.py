"""An independent ID3v2 reader and writer for the tag tests.

read FILE: prints version, size and the seven items, one "key<TAB>value" line each (UTF-8).
write FILE 3|4 TITLE ARTIST ALBUM TRACK YEAR GENRE COMMENT: puts a Latin-1 tag of that version in front.
dated FILE: puts a version-4 tag with a full date and frames only version 4 has in front.
frames FILE: prints the version, then one "ID<TAB>text" line per frame as mutagen shows it in version-4
terms (TYER and TDAT become one TDRC).
"""
import sys

from mutagen.id3 import COMM, ID3, TALB, TCON, TDOR, TDRC, TIPL, TIT2, TMOO, TPE1, TRCK, TSOP, TYER

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


def dated(path):
    tags = ID3()
    tags.add(TIT2(encoding=3, text="Old"))
    tags.add(TDRC(encoding=3, text="2004-05-06"))
    tags.add(TDOR(encoding=3, text="2001-02-03"))
    tags.add(TMOO(encoding=3, text="Calm"))
    tags.add(TSOP(encoding=3, text="Band, The"))
    tags.add(TIPL(encoding=3, people=[["producer", "Someone"]]))
    tags.save(path, v2_version=4)


def frames(path):
    tags = ID3(path)
    shown = [
        "%s\t%s" % (frame.FrameID, ",".join(":".join(pair) for pair in frame.people))
        if hasattr(frame, "people") else frame.pprint().replace("=", "\t", 1)
        for frame in tags.values()
    ]
    lines = ["version\t%d.%d" % tags.version[:2]] + shown
    sys.stdout.buffer.write(("\n".join(lines) + "\n").encode("utf-8"))


if __name__ == "__main__":
    if sys.argv[1] == "read":
        read(sys.argv[2])
    elif sys.argv[1] == "dated":
        dated(sys.argv[2])
    elif sys.argv[1] == "frames":
        frames(sys.argv[2])
    else:
        write(sys.argv[2], int(sys.argv[3]), *sys.argv[4:11])
