#pragma once
// Whether the blocks before a disc's first track hold audio (hidden track one audio) or silence.

#include <cstdint>

#include "platform/akrip32/akrip32.h"

// Reads blocks 0 up to firstTrackStart once, at the drive's burst speed, and stops at the first sample that is
// not zero. A stretch the drive cannot read counts as silence: it is nothing that could be ripped.
bool AudioBeforeFirstTrack(HCDROM handle, std::uint32_t firstTrackStart);
