#pragma once
// The MusicBrainz disc ID: SHA-1 over the table of contents written as hexadecimal text, in base64 with
// MusicBrainz's alphabet ("." "_" and "-" for "+" "/" and "=").

#include <cstdint>
#include <string>
#include <vector>

#include "cd/TableOfContents.h"

// offsets: the start of each track from the first, in blocks from the disc's start (lead-in included, so
// the first track usually starts at 150); leadout likewise.
std::string MusicBrainzDiscId(int firstTrack, int lastTrack, std::uint32_t leadout,
                              const std::vector<std::uint32_t>& offsets);
// The disc's ID from its table of contents. An enhanced CD counts its audio session only: it ends 11400
// blocks before the data track.
std::string MusicBrainzDiscId(const TableOfContents& toc);
