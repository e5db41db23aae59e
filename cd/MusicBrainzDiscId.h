#pragma once
// The MusicBrainz disc ID: SHA-1 over the table of contents written as hexadecimal text, in base64 with
// MusicBrainz's alphabet ("." "_" and "-" for "+" "/" and "=").

#include <cstdint>
#include <string>
#include <vector>

#include "cd/TableOfContents.h"

// SHA-1 of text in that base64 alphabet: the CUETools database's TOC ID is made the same way.
std::string Sha1TextId(const std::string& text);

// offsets: the start of each track from the first, in blocks from the disc's start (lead-in included, so
// the first track usually starts at 150); leadout likewise.
std::string MusicBrainzDiscId(int firstTrack, int lastTrack, std::uint32_t leadout,
                              const std::vector<std::uint32_t>& offsets);
// What the disc ID and the lookup by table of contents count: the tracks up to the end of the last audio
// track's session, with that session's end as the lead-out (an enhanced CD's data session is left out), in
// blocks from the disc's start.
struct MusicBrainzToc {
  int firstTrack = 0;
  int lastTrack = 0;
  std::uint32_t leadout = 0;
  std::vector<std::uint32_t> offsets;
};
MusicBrainzToc MusicBrainzTocOf(const TableOfContents& toc);

// The disc's ID from its table of contents.
std::string MusicBrainzDiscId(const TableOfContents& toc);
