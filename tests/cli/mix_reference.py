#!/usr/bin/env python3
"""Mixes two 16-bit WAV files on its own, to check the WAV mixer against: each sample is scaled by its
level / 255 to the nearest integer, the two are averaged and the average truncated towards zero; the
shorter file counts as silence after its end. Writes the raw little-endian PCM.

usage: mix_reference.py IN1 IN2 VOLUME1 VOLUME2 OUT"""
import array
import sys
import wave


def samples(path):
    with wave.open(path, "rb") as f:
        assert f.getsampwidth() == 2, path
        pcm = array.array("h")
        pcm.frombytes(f.readframes(f.getnframes()))
    if sys.byteorder == "big":
        pcm.byteswap()
    return pcm


def main():
    first, second = samples(sys.argv[1]), samples(sys.argv[2])
    volume1, volume2 = int(sys.argv[3]), int(sys.argv[4])
    length = max(len(first), len(second))
    mixed = array.array("h", bytes(2 * length))
    for i in range(length):
        a = round(first[i] * volume1 / 255) if i < len(first) else 0
        b = round(second[i] * volume2 / 255) if i < len(second) else 0
        mixed[i] = int((a + b) / 2)
    if sys.byteorder == "big":
        mixed.byteswap()
    with open(sys.argv[5], "wb") as out:
        out.write(mixed.tobytes())


main()
