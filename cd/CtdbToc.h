#pragma once
// The disc as the CUETools database knows it: its table of contents written out, and the TOC ID made from it.

#include <cstdint>
#include <string>

#include "cd/TableOfContents.h"

// Every track's start, a data track's with "-" before it, then the lead-out, joined by ":" (in blocks, the
// first track of a plain disc at 0): "0:11413:25024:45713:55220". The lookup asks for it, and each of the
// database's entries names the disc it holds so.
std::string CtdbTocText(const TableOfContents& toc);

// The TOC ID: SHA-1 over the audio tracks' starts from the second on and the end of the audio (an enhanced
// CD's ends with its session), each counted from the first audio track's start.
std::string CtdbTocId(const TableOfContents& toc);

// The stereo frames of the disc's audio tracks together.
std::uint64_t CtdbAudioFrames(const TableOfContents& toc);
