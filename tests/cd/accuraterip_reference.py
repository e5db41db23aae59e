"""Checksums and AccurateRip IDs of a one-file disc image, computed apart from the program.

usage: accuraterip_reference.py BIN OFFSET START... LEADOUT
Prints one line per track and the disc's CTDB CRC as quillon-cli checksums does, then "ids ID1 ID2".
"""
import struct
import sys
import zlib

BLOCK = 2352
CTDB_SKIP = 10 * 588  # frames the CUETools database leaves out at the disc's start, and more at its end


def words(pcm):
    return struct.unpack("<%dI" % (len(pcm) // 4), pcm)


def accuraterip(track_words, first, last):
    n = len(track_words)
    v1 = v2 = 0
    for m, w in enumerate(track_words, start=1):
        if first and m < 2940 or last and m > n - 2940:
            continue
        p = w * m
        v1 += p & 0xFFFFFFFF
        v2 += (p & 0xFFFFFFFF) + (p >> 32)
    f450 = sum(w * m for m, w in enumerate(track_words[450 * 588:451 * 588], start=1))
    return v1 & 0xFFFFFFFF, v2 & 0xFFFFFFFF, f450 & 0xFFFFFFFF


def main():
    data = open(sys.argv[1], "rb").read()
    offset = int(sys.argv[2])
    bounds = [int(b) for b in sys.argv[3:]]
    # A drive read offset of +N delivers the disc's audio from N samples later; outside the disc: silence.
    pad = 4 * abs(offset)
    disc = b"\0" * pad + data + b"\0" * pad
    disc = disc[pad + 4 * offset:pad + 4 * offset + len(data)]
    count = len(bounds) - 1
    audio = disc[bounds[0] * BLOCK:bounds[-1] * BLOCK]
    end_skip = CTDB_SKIP + (len(audio) // 4) % CTDB_SKIP
    for i in range(count):
        pcm = disc[bounds[i] * BLOCK:bounds[i + 1] * BLOCK]
        nonzero = b"".join(s for s in (pcm[j:j + 2] for j in range(0, len(pcm), 2)) if s != b"\0\0")
        v1, v2, f450 = accuraterip(words(pcm), i == 0, i == count - 1)
        ctdb = pcm[CTDB_SKIP * 4 if i == 0 else 0:len(pcm) - end_skip * 4 if i == count - 1 else len(pcm)]
        print("%02d\t%08x\t%08x\t%08x\t%08x\t%08x\t%08x" %
              (i + 1, zlib.crc32(pcm), zlib.crc32(nonzero), v1, v2, f450, zlib.crc32(ctdb)))
    print("Disc\t%08x" % zlib.crc32(audio[CTDB_SKIP * 4:len(audio) - end_skip * 4]))
    id1 = sum(bounds[:-1]) + bounds[-1]
    id2 = sum(max(b, 1) * (k + 1) for k, b in enumerate(bounds[:-1])) + bounds[-1] * (count + 1)
    print("ids %08x %08x" % (id1 & 0xFFFFFFFF, id2 & 0xFFFFFFFF))


main()
